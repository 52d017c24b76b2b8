// Trouble found while the client starts is told on screen, in the operator's
// language: a database that is not the client's, an unreadable config.ini, an
// alarm port another program holds, a data folder that cannot be written. A
// database with a table of its own is no trouble.

#include "ClientFolder.h"
#include "TestSupport.h"

#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "dialogs/MessageInfoDlg.h"
#include "monitor/Corvane.h"

#include "tessoran.h"

#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTest>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Setup = std::function<bool(const ClientFolder& folder, QTcpServer& portHolder, quint16 alarmPort)>;

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool RunSql(const QString& path, const QStringList& statements)
{
    bool ok = true;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("troubleSetup"));
        database.setDatabaseName(path);
        ok = database.open();
        QSqlQuery query(database);
        for (const QString& statement : statements)
            ok = ok && query.exec(statement);
        database.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("troubleSetup"));
    return ok;
}

bool SetDataFolder(const ClientFolder& folder, const QString& dataFolder)
{
    return WriteFile(folder.Path() + QStringLiteral("/config.ini"),
                     QStringLiteral("[Param]\nSaveDataPath=%1\n").arg(dataFolder).toUtf8());
}

// A folder root may write into whatever its mode says is read-only.
QString UnwritableFolder(const ClientFolder& folder)
{
    if (::geteuid() == 0)
        return QStringLiteral("/sys/corvane-data");
    const QString parent = folder.Path() + QStringLiteral("/read-only");
    QDir().mkpath(parent);
    ::chmod(QFile::encodeName(parent).constData(), 0555);
    return parent + QStringLiteral("/data");
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class StartupTroublesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { EndWindow(); }
    void troubleIsShownOnce_data();
    void troubleIsShownOnce();
    void aTableOfItsOwnIsNoTrouble();

private:
    // Builds and shows the window over the prepared folder.
    bool StartWindow(quint16 alarmPort);
    MessageInfoDlg* ShownMessage() const;
    void EndWindow();

    std::unique_ptr<Corvane> window;
};

void StartupTroublesTest::initTestCase()
{
    QDir().mkpath(QStringLiteral(CORVANE_SCREENSHOT_DIR));
}

bool StartupTroublesTest::StartWindow(quint16 alarmPort)
{
    if (!TSR_Init() || !ImplementInstance::CreateInstance())
        return false;
    ImplementInstance::GetInstance()->InitImplementInstance();
    window = std::make_unique<Corvane>(nullptr, alarmPort);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return false;
    // The message is queued behind the window's showing.
    QCoreApplication::processEvents();
    return true;
}

MessageInfoDlg* StartupTroublesTest::ShownMessage() const
{
    MessageInfoDlg* message = window->findChild<MessageInfoDlg*>(QStringLiteral("startupTroubleMessage"));
    return message && message->isVisible() ? message : nullptr;
}

void StartupTroublesTest::EndWindow()
{
    if (window)
        window->close();
    window.reset();
    TSR_Cleanup();
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

void StartupTroublesTest::troubleIsShownOnce_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");

    QTest::newRow("wrong-schema database") << Setup([](const ClientFolder& folder, QTcpServer&, quint16) {
        return RunSql(folder.DatabasePath(), {QStringLiteral("create table DeviceInfo(name TEXT)")});
    }) << QStringLiteral("数据库文件") << QStringLiteral("cannot be used");
    QTest::newRow("database that is no database") << Setup([](const ClientFolder& folder, QTcpServer&, quint16) {
        return WriteFile(folder.DatabasePath(), QByteArray(4096, 'x'));
    }) << QStringLiteral("数据库文件") << QStringLiteral("cannot be used");
    QTest::newRow("corrupt config.ini") << Setup([](const ClientFolder& folder, QTcpServer&, quint16) {
        return WriteFile(folder.Path() + QStringLiteral("/config.ini"), QByteArray("[Param]\nA=\xff\xfe\0\x01", 14));
    }) << QStringLiteral("已改名保存为") << QStringLiteral("it was kept as");
    QTest::newRow("alarm port taken") << Setup([](const ClientFolder&, QTcpServer& holder, quint16 port) {
        return holder.listen(QHostAddress::Any, port);
    }) << QStringLiteral("无法监听") << QStringLiteral("cannot be listened on");
    QTest::newRow("read-only data folder") << Setup([](const ClientFolder& folder, QTcpServer&, quint16) {
        return SetDataFolder(folder, UnwritableFolder(folder));
    }) << QStringLiteral("无法写入") << QStringLiteral("cannot be written");
    QTest::newRow("data folder below a file") << Setup([](const ClientFolder& folder, QTcpServer&, quint16) {
        return WriteFile(folder.Path() + QStringLiteral("/file"), "x") &&
               SetDataFolder(folder, folder.Path() + QStringLiteral("/file/data"));
    }) << QStringLiteral("Not a directory") << QStringLiteral("Not a directory");
}

void StartupTroublesTest::troubleIsShownOnce()
{
    QFETCH(Setup, setup);
    QFETCH(QString, chinese);
    QFETCH(QString, english);

    for (const auto language : {LanguageManage::Chinese, LanguageManage::English}) {
        ClientFolder folder;
        folder.PrepareApplication();
        QTcpServer portHolder;
        const quint16 alarmPort = testsupport::reservePort();
        QVERIFY(setup(folder, portHolder, alarmPort));
        LanguageManage::GetInstance()->SwitchLanguage(language);

        QVERIFY(StartWindow(alarmPort));
        QTRY_VERIFY_WITH_TIMEOUT(ShownMessage(), 10000);
        MessageInfoDlg* message = ShownMessage();
        const QString text = message->findChild<QLabel*>(QStringLiteral("labelText"))->text();
        const bool inEnglish = language == LanguageManage::English;
        QVERIFY2(text.contains(inEnglish ? english : chinese), qPrintable(text));
        // One trouble, one paragraph: the others found nothing.
        QCOMPARE(text.count(QStringLiteral("\n\n")), 0);
        QCOMPARE(window->findChildren<MessageInfoDlg*>(QStringLiteral("startupTroubleMessage")).size(), 1);
        QVERIFY(message->grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/startup-trouble-%1-%2.png")
                                         .arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-'),
                                              inEnglish ? QStringLiteral("en") : QStringLiteral("zh"))));
        EndWindow();
    }
}

void StartupTroublesTest::aTableOfItsOwnIsNoTrouble()
{
    ClientFolder folder;
    folder.PrepareApplication();
    QVERIFY(folder.StoreDevices({}));
    QVERIFY(RunSql(folder.DatabasePath(), {QStringLiteral("create table Notes(text TEXT)")}));

    QVERIFY(StartWindow(testsupport::reservePort()));
    QVERIFY(!ShownMessage());
    QList<stu_DeviceInfo> stored;
    QVERIFY(ImplementInstance::GetInstance()->GetDatabase()->GetAllDeviceInfo(stored));
}

QTEST_MAIN(StartupTroublesTest)
#include "test_startup_troubles.moc"
