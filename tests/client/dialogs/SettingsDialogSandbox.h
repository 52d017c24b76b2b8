#pragma once

// A client as the settings dialogs see it: a temporary application folder with
// the real config.ini the back end writes at start, both translations, and a
// temporary XDG_CONFIG_HOME for the autostart entry.

#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "dialogs/QPromptWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class SettingsDialogSandbox
{
public:
    SettingsDialogSandbox()
    {
        QVERIFY(m_appDir.isValid() && m_configHome.isValid());
        qputenv("CORVANE_APP_DIR", m_appDir.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_configHome.path().toLocal8Bit());
        for (const char* name : {"corvane_zh.qm", "corvane_en.qm"})
            QFile::copy(QStringLiteral(CORVANE_BIN_DIR "/") + name, m_appDir.filePath(name));
        Start();
    }
    ~SettingsDialogSandbox()
    {
        ImplementInstance::DestroyInstance();
        qunsetenv("CORVANE_APP_DIR");
        qunsetenv("XDG_CONFIG_HOME");
    }

    // The back end's start: open config.ini and write the keys it lacks.
    static void Start()
    {
        QVERIFY(ImplementInstance::CreateInstance());
        ImplementInstance::GetInstance()->InitImplementInstance();
    }
    // What a restart of the client does to the settings: read from the file anew.
    static void Restart()
    {
        ImplementInstance::DestroyInstance();
        Start();
    }
    static SettingsStore* Store() { return ImplementInstance::GetInstance()->GetConfig(); }

    QString AppDir() const { return m_appDir.path(); }
    QString ConfigFile() const { return m_appDir.filePath(QStringLiteral("config.ini")); }
    QString AutoStartFile() const { return m_configHome.filePath(QStringLiteral("autostart/Corvane.desktop")); }

    QByteArray ConfigBytes() const
    {
        QFile file(ConfigFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A key as a fresh reader of the file sees it (not the store's memory).
    QVariant InFile(const QString& key) const
    {
        QSettings file(ConfigFile(), QSettings::IniFormat);
        file.setIniCodec("UTF-8");
        return file.value(key);
    }
    // Puts a value into the file as a hand edit would, then restarts.
    void EditFileAndRestart(const QString& key, const QVariant& value)
    {
        {
            QSettings file(ConfigFile(), QSettings::IniFormat);
            file.setIniCodec("UTF-8");
            file.setValue(key, value);
        }
        Restart();
    }

private:
    QTemporaryDir m_appDir;
    QTemporaryDir m_configHome;
};

// The text of the visible toast, empty when none shows.
inline QString VisibleToast()
{
    QPromptWidget* toast = QPromptWidget::Current();
    if (!toast || !toast->isVisible())
        return {};
    auto* label = toast->findChild<QLabel*>(QStringLiteral("labMsg"));
    return label ? label->text() : QString();
}

// Toasts outlive the dialogs that asked for them; each test starts without one.
inline void CloseToasts()
{
    delete QPromptWidget::Current();
}

inline void SwitchLanguage(int language)
{
    LanguageManage::GetInstance()->SwitchLanguage(language);
    QCOMPARE(LanguageManage::GetInstance()->CurrentLanguage(), language);
}

// Replaces a line edit's text by typing, as the operator does; characters
// beyond ASCII arrive committed by an input method.
inline void Retype(QWidget* edit, const QString& text)
{
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(edit, c.toLatin1());
        } else {
            QInputMethodEvent committed;
            committed.setCommitString(QString(c));
            QApplication::sendEvent(edit, &committed);
        }
    }
}

// Clicks a check box on its indicator: a click on the empty part of a wide
// box beyond its text does not toggle it.
inline void ClickBox(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

// Each test function of a dialog test starts with a fresh sandbox, in Chinese,
// with no toast left from the one before.
class SettingsDialogTest : public QObject
{
    Q_OBJECT

protected:
    std::unique_ptr<SettingsDialogSandbox> m_sandbox;

private slots:
    void init()
    {
        CloseToasts();
        m_sandbox = std::make_unique<SettingsDialogSandbox>();
        SwitchLanguage(LanguageManage::Chinese);
    }
    void cleanup()
    {
        m_sandbox.reset();
        CloseToasts();
    }
};
