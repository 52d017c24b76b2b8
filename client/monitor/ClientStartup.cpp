#include "ClientStartup.h"

#include "Corvane.h"
#include "QWinNativeEventFilter.h"

#include "core/ApplicationDir.h"
#include "core/CrashDumpHandler.h"
#include "core/RasterOnlyWindows.h"
#include "core/FontSubstitution.h"
#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "core/Logging.h"
#include "core/SharedRecords.h"

#include "tessoran.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPluginLoader>
#include <QTemporaryFile>

#include <memory>

namespace {

std::unique_ptr<CrashDumpHandler> CreateCrashHandler()
{
    const QString dumpPath =
        QDir::toNativeSeparators(QDir::cleanPath(ApplicationDirPath() + QDir::separator() + "ExceptionDump"));
    QDir(dumpPath).mkpath(QStringLiteral("."));
    try {
        return std::make_unique<CrashDumpHandler>(dumpPath.toLocal8Bit().toStdString(), nullptr, nullptr, nullptr,
                                                  CrashDumpHandler::HandlerFatalSignals);
    } catch (...) {
        QMessageBox::warning(nullptr, QObject::tr("Corvane"), QObject::tr("Corvane崩溃捕获模块失败。"), QMessageBox::Ok,
                             QMessageBox::Ok);
        LogWideF(L"", L"main", L"", 63, 5, L"【崩溃捕获】申请内存失败");
        return nullptr;
    }
}

// The application folder holds config.ini and Corvane.db; a back end over a
// folder that cannot hold them would lose every alarm of the run.
bool ApplicationFolderUsable()
{
    const QFileInfo folder(ApplicationDirPath());
    if (!folder.isDir())
        return false;
    QTemporaryFile probe(folder.absoluteFilePath() + QStringLiteral("/.corvane-probe-XXXXXX"));
    return probe.open();
}

bool CreateBackEnd()
{
    if (!ApplicationFolderUsable())
        return false;
    return ImplementInstance::CreateInstance();
}

} // namespace

QString ClientStyleSheet()
{
    QFile styleSheet(QStringLiteral(":/stylesheet.css"));
    if (!styleSheet.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(styleSheet.readAll());
}

ClientStartOptions ParseClientOptions(const QStringList& arguments)
{
    ClientStartOptions options;
    const int at = arguments.indexOf(QStringLiteral("--alarm-port"));
    if (at >= 0 && at + 1 < arguments.size()) {
        bool ok = false;
        const uint port = arguments.at(at + 1).toUInt(&ok);
        if (ok && port > 0 && port < 65536)
            options.alarmPort = static_cast<quint16>(port);
    }
    return options;
}

int RunClient(int argc, char* argv[], const std::function<ClientStartOptions(const QStringList&)>& makeOptions)
{
    // Live-video panes get native windows when they first play; their
    // siblings must not get one each.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    UseRasterOnlyWindows();
    QApplication application(argc, argv);
    const ClientStartOptions options = makeOptions(QCoreApplication::arguments());
    InstallFontSubstitutions();
    RegisterSharedRecordTypes();
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
    // Lives until the process ends, as the application's filter.
    application.installEventFilter(new QWinNativeEventFilter(&application));
    // Without a style sheet the client runs unstyled, and says nothing.
    const QString styleSheet = ClientStyleSheet();
    if (!styleSheet.isEmpty())
        application.setStyleSheet(styleSheet);
    QCoreApplication::addLibraryPath(ApplicationDirPath() + QStringLiteral("/plugins"));
    QIcon icon;
    icon.addFile(QStringLiteral(":images/mainLogo.ico"));
    QApplication::setWindowIcon(icon);
    InitLogging(L"CorvaneLogs");
    std::unique_ptr<CrashDumpHandler> crashHandler = CreateCrashHandler();
    TSR_Init();

    if (!CreateBackEnd()) {
        LoggerFor("main")->error("{}, 创建实例失败", "main");
        return -1;
    }
    ImplementInstance::GetInstance()->InitImplementInstance();

    int result = 0;
    {
        Corvane window(nullptr, options.alarmPort);
        LoggerFor("main")->info("{}，创建界面成功", "main");
        if (options.onWindowBuilt)
            options.onWindowBuilt(window);
        window.show();
        result = QApplication::exec();
        TSR_Cleanup();
        ShutdownLogging();
    }
    crashHandler.reset();
    return result;
}
