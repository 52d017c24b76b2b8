#include "ExternalProcessManage.h"

#include "ApplicationDir.h"
#include "Logging.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

const char* StateText(QProcess::ProcessState state)
{
    switch (state) {
    case QProcess::NotRunning: return "The process is not running.";
    case QProcess::Starting: return "The process is starting, but the program has not yet been invoked.";
    case QProcess::Running: return "The process is running and is ready for reading and writing.";
    }
    return nullptr;
}

const char* ErrorText(QProcess::ProcessError error)
{
    switch (error) {
    case QProcess::FailedToStart: return "FailedToStart";
    case QProcess::Crashed: return "Crashed";
    case QProcess::Timedout: return "Timedout";
    case QProcess::ReadError: return "ReadError";
    case QProcess::WriteError: return "WriteError";
    case QProcess::UnknownError: return "UnknownError";
    }
    return "UnknownError";
}

auto Log()
{
    return LoggerFor("ExternalProcessManage");
}

} // namespace

ExternalProcessManage::ExternalProcessManage(QObject* parent) : QObject(parent), m_process(new QProcess(this))
{
    connect(m_process, &QProcess::started, this, &ExternalProcessManage::ProcessStartedSlot);
    connect(m_process, &QProcess::errorOccurred, this, &ExternalProcessManage::ProcessErrorSlot);
    connect(m_process, &QProcess::stateChanged, this, &ExternalProcessManage::ProcessStateChangedSlot);
    connect(m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [](int exitCode, QProcess::ExitStatus status) {
                Log()->info("exitCode:{}, exitStatus:{}", exitCode,
                            status == QProcess::NormalExit ? "NormalExit" : "CrashExit");
            });
}

QString ExternalProcessManage::PlayerPath()
{
    const QString bundled = ApplicationDirPath() + "/VLC/vlc";
    if (QFileInfo::exists(bundled))
        return bundled;
    const QString onPath = QStandardPaths::findExecutable("vlc");
    return onPath.isEmpty() ? bundled : onPath;
}

void ExternalProcessManage::StartProcess(const QString& programPath)
{
    constexpr const char* method = "ExternalProcessManage::StartProcess";
    Log()->info("{}, {}", method, programPath);

    const QFileInfo program(programPath);
    if (!program.exists()) {
        const QString text = program.fileName() + " is not exists";
        Log()->error("{}, {}", method, text);
        emit ErrMsgSig(text);
        return;
    }
    if (m_process->state() != QProcess::NotRunning) {
        // One player at a time: a second start would only be refused later.
        Log()->info("{}, {} is already running", method, program.fileName());
        return;
    }
    // The program and its (empty) argument list apart, so a path with spaces stays whole.
    m_process->start(program.absoluteFilePath(), QStringList(), QIODevice::ReadWrite);
}

void ExternalProcessManage::StopProcess()
{
    m_process->close();
}

void ExternalProcessManage::ProcessStartedSlot()
{
    if (const char* text = StateText(m_process->state()))
        Log()->info("{}, {}", "ExternalProcessManage::ProcessStartedSlot", text);
}

void ExternalProcessManage::ProcessStateChangedSlot(QProcess::ProcessState state)
{
    if (const char* text = StateText(state))
        Log()->error("{}, {}", "ExternalProcessManage::ProcessStateChangedSlot", text);
}

void ExternalProcessManage::ProcessErrorSlot(QProcess::ProcessError error)
{
    Log()->error("{}, {}", "ExternalProcessManage::ProcessErrorSlot", ErrorText(error));
    // A player that cannot start or dies is the user's business too, not only the log's.
    if (error == QProcess::FailedToStart || error == QProcess::Crashed)
        emit ErrMsgSig(QFileInfo(m_process->program()).fileName() + " " + ErrorText(error));
}
