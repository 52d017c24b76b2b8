// The add-device dialog: its field checks as the operator types, the two
// buttons and when the dialog closes, and its pictures in both languages.

#include "DialogTestSupport.h"

#include "dialogs/AddDeviceDlg.h"
#include "dialogs/QPromptWidget.h"

#include <QDir>

#include <algorithm>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace DialogTestSupport;

namespace {

QString ToastText()
{
    QPromptWidget* toast = QPromptWidget::Current();
    QLabel* label = toast ? toast->findChild<QLabel*>(QStringLiteral("labMsg")) : nullptr;
    return label ? label->text() : QString();
}

template <class Widget>
Widget* Child(QWidget& dialog, const char* name)
{
    Widget* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no %s", name);
    return widget;
}

// Replaces a field's text by typing, so the field's validator has its say.
void Type(QLineEdit* field, const QString& text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    // Key clicks are Latin only; other text goes in as an input method would put it.
    const bool latin = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (latin)
        QTest::keyClicks(field, text);
    else
        field->insert(text);
}

// Puts text in as a stored record would (past the validator), so the checks
// themselves are what refuses it.
void Put(QLineEdit* field, const QString& text)
{
    field->setText(text);
}

} // namespace

class TestAddDeviceDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(applyApplicationStyleSheet()); }
    void cleanup() { delete QPromptWidget::Current(); }

    void checksTheFields_data();
    void checksTheFields();
    void portFieldTakesOnlyPorts_data();
    void portFieldTakesOnlyPorts();
    void modifyFillsFieldsAndHidesContinue();
    void addAfterModifyKeepsPortAndUser();
    void closesOnlyWhenTheInputWasTaken();
    void continueKeepsTheDialogOpen();
    void screenshots_data();
    void screenshots();
};

void TestAddDeviceDialog::checksTheFields_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("problem"); // empty: accepted

    const QString chinese21 = QString(21, QChar(0x8DEF)); // 63 bytes of UTF-8
    const QString chinese22 = QString(22, QChar(0x8DEF)); // 66 bytes
    QTest::newRow("valid") << "192.168.1.10"
                           << "8000"
                           << "admin"
                           << "pw"
                           << "";
    QTest::newRow("leading zero") << "192.168.01.10"
                                  << "8000"
                                  << "admin"
                                  << "pw"
                                  << "设备IP无效";
    QTest::newRow("octet above 255") << "256.1.1.1"
                                     << "8000"
                                     << "admin"
                                     << "pw"
                                     << "设备IP无效";
    QTest::newRow("three octets") << "1.2.3"
                                  << "8000"
                                  << "admin"
                                  << "pw"
                                  << "设备IP无效";
    QTest::newRow("leading blank") << " 10.0.0.1"
                                   << "8000"
                                   << "admin"
                                   << "pw"
                                   << "设备IP无效";
    QTest::newRow("empty ip and password") << ""
                                           << "8000"
                                           << "admin"
                                           << ""
                                           << "设备IP不能为空";
    QTest::newRow("port 0") << "10.0.0.1"
                            << "0"
                            << "admin"
                            << "pw"
                            << "设备端口无效";
    QTest::newRow("port 1") << "10.0.0.1"
                            << "1"
                            << "admin"
                            << "pw"
                            << "";
    QTest::newRow("port 65535") << "10.0.0.1"
                                << "65535"
                                << "admin"
                                << "pw"
                                << "";
    QTest::newRow("port 65536") << "10.0.0.1"
                                << "65536"
                                << "admin"
                                << "pw"
                                << "设备端口无效";
    QTest::newRow("empty port") << "10.0.0.1"
                                << ""
                                << "admin"
                                << "pw"
                                << "设备端口不能为空";
    QTest::newRow("empty user") << "10.0.0.1"
                                << "8000"
                                << ""
                                << "pw"
                                << "用户名不能为空";
    QTest::newRow("63-byte Chinese user") << "10.0.0.1"
                                          << "8000" << chinese21 << "pw"
                                          << "";
    QTest::newRow("66-byte Chinese user") << "10.0.0.1"
                                          << "8000" << chinese22 << "pw"
                                          << "用户名过长";
    QTest::newRow("63-byte password") << "10.0.0.1"
                                      << "8000"
                                      << "admin" << QString(63, 'p') << "";
    QTest::newRow("64-byte password") << "10.0.0.1"
                                      << "8000"
                                      << "admin" << QString(64, 'p') << "密码过长";
    QTest::newRow("66-byte Chinese password") << "10.0.0.1"
                                              << "8000"
                                              << "admin" << chinese22 << "密码过长";
}

void TestAddDeviceDialog::checksTheFields()
{
    QFETCH(QString, ip);
    QFETCH(QString, port);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, problem);

    AddDeviceDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Type(Child<QLineEdit>(dialog, "lineEditDeviceName"), QStringLiteral("东门路口"));
    Type(Child<QLineEdit>(dialog, "LineEditIp"), ip);
    Put(Child<QLineEdit>(dialog, "lineEditPort"), port);
    Type(Child<QLineEdit>(dialog, "lineEditUserName"), user);
    Type(Child<QLineEdit>(dialog, "lineEditPassWd"), password);

    stu_DeviceInfo device{QStringLiteral("untouched"), {}, 0, {}, {}};
    const bool accepted = dialog.CheckInput(&device);
    QCOMPARE(accepted, problem.isEmpty());
    if (accepted) {
        QVERIFY(!QPromptWidget::Current());
        QCOMPARE(device.deviceName, QStringLiteral("东门路口"));
        QCOMPARE(device.deviceIp, ip);
        QCOMPARE(device.devicePort, port.toInt());
        QCOMPARE(device.userName, user);
        QCOMPARE(device.password, password);
    } else {
        QCOMPARE(ToastText(), problem);
        QCOMPARE(device.deviceName, QStringLiteral("untouched"));
    }
}

void TestAddDeviceDialog::portFieldTakesOnlyPorts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("1") << "1"
                       << "1" << true;
    QTest::newRow("65535") << "65535"
                           << "65535" << true;
    QTest::newRow("65536") << "65536"
                           << "65536" << false;
    QTest::newRow("0") << "0"
                       << "0" << false;
    QTest::newRow("letters dropped") << "80a0"
                                     << "800" << true;
    QTest::newRow("sign dropped") << "-80"
                                  << "80" << true;
}

void TestAddDeviceDialog::portFieldTakesOnlyPorts()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, accepted);
    AddDeviceDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit* port = Child<QLineEdit>(dialog, "lineEditPort");
    QCOMPARE(port->text(), QStringLiteral("8000"));
    Type(Child<QLineEdit>(dialog, "LineEditIp"), QStringLiteral("10.0.0.1"));
    Type(Child<QLineEdit>(dialog, "lineEditPassWd"), QStringLiteral("pw"));
    Type(port, typed);
    QCOMPARE(port->text(), shown);
    stu_DeviceInfo device;
    QCOMPARE(dialog.CheckInput(&device), accepted);
    if (!accepted)
        QCOMPARE(ToastText(), QStringLiteral("设备端口无效"));
}

void TestAddDeviceDialog::modifyFillsFieldsAndHidesContinue()
{
    AddDeviceDlg dialog;
    const stu_DeviceInfo device{QStringLiteral("西站"), QStringLiteral("10.1.2.3"), 8001, QStringLiteral("operator"),
                                QStringLiteral("secret")};
    QTimer::singleShot(0, &dialog, [&] {
        QVERIFY(!Child<QPushButton>(dialog, "pBtnAddAndContinue")->isVisible());
        QCOMPARE(Child<QLabel>(dialog, "labelDlgName")->text(), QStringLiteral("修改服务器设备"));
        QCOMPARE(Child<QLineEdit>(dialog, "LineEditIp")->text(), device.deviceIp);
        QCOMPARE(Child<QLineEdit>(dialog, "lineEditPort")->text(), QStringLiteral("8001"));
        QCOMPARE(Child<QLineEdit>(dialog, "lineEditPassWd")->echoMode(), QLineEdit::Password);
        QTest::mouseClick(Child<QPushButton>(dialog, "pBtnAddDeviceCancel"), Qt::LeftButton);
    });
    QCOMPARE(dialog.ShowDialog(true, &device), int(QDialog::Rejected));
}

void TestAddDeviceDialog::addAfterModifyKeepsPortAndUser()
{
    AddDeviceDlg dialog;
    const stu_DeviceInfo device{QStringLiteral("西站"), QStringLiteral("10.1.2.3"), 8001, QStringLiteral("operator"),
                                QStringLiteral("secret")};
    dialog.FillDeviceInfo(true, &device);
    QTimer::singleShot(0, &dialog, [&] {
        QVERIFY(Child<QPushButton>(dialog, "pBtnAddAndContinue")->isVisible());
        QCOMPARE(Child<QLabel>(dialog, "labelDlgName")->text(), QStringLiteral("添加服务器设备"));
        QCOMPARE(Child<QLineEdit>(dialog, "lineEditPort")->text(), QStringLiteral("8001"));
        QCOMPARE(Child<QLineEdit>(dialog, "lineEditUserName")->text(), QStringLiteral("operator"));
        QVERIFY(Child<QLineEdit>(dialog, "LineEditIp")->text().isEmpty());
        QVERIFY(Child<QLineEdit>(dialog, "lineEditPassWd")->text().isEmpty());
        dialog.reject();
    });
    dialog.ShowDialog(false, nullptr);
}

void TestAddDeviceDialog::closesOnlyWhenTheInputWasTaken()
{
    AddDeviceDlg dialog;
    bool take = false;
    int offered = 0;
    connect(&dialog, &AddDeviceDlg::AddDeviceSig, &dialog, [&](bool confirm) {
        QVERIFY(confirm);
        ++offered;
        if (take)
            dialog.InputTaken();
    });
    QTimer::singleShot(0, &dialog, [&] {
        // Refused: the dialog stays open with what the operator typed.
        QTest::mouseClick(Child<QPushButton>(dialog, "pBtnAdd"), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        take = true;
        QTest::mouseClick(Child<QPushButton>(dialog, "pBtnAdd"), Qt::LeftButton);
    });
    QCOMPARE(dialog.ShowDialog(false, nullptr), int(QDialog::Accepted));
    QCOMPARE(offered, 2);
}

void TestAddDeviceDialog::continueKeepsTheDialogOpen()
{
    AddDeviceDlg dialog;
    QSignalSpy continued(&dialog, &AddDeviceDlg::AddContinueSig);
    QSignalSpy confirmed(&dialog, &AddDeviceDlg::AddDeviceSig);
    QTimer::singleShot(0, &dialog, [&] {
        QTest::mouseClick(Child<QPushButton>(dialog, "pBtnAddAndContinue"), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(Child<QPushButton>(dialog, "pBtnAddDeviceCancel"), Qt::LeftButton);
    });
    QCOMPARE(dialog.ShowDialog(false, nullptr), int(QDialog::Rejected));
    QCOMPARE(continued.count(), 1);
    QCOMPARE(confirmed.count(), 0);
}

void TestAddDeviceDialog::screenshots_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<bool>("modify");
    QTest::newRow("add-zh") << false << false;
    QTest::newRow("modify-zh") << false << true;
    QTest::newRow("add-en") << true << false;
    QTest::newRow("modify-en") << true << true;
}

void TestAddDeviceDialog::screenshots()
{
    QFETCH(bool, english);
    QFETCH(bool, modify);
    std::unique_ptr<QTranslator> translator;
    if (english) {
        translator = installEnglish();
        QVERIFY(translator);
    }
    AddDeviceDlg dialog;
    dialog.reTranslateUI();
    const stu_DeviceInfo device{QStringLiteral("东门路口检测器"), QStringLiteral("127.0.10.1"), 8000,
                                QStringLiteral("admin"), QStringLiteral("dev12345")};
    QImage picture;
    QTimer::singleShot(0, &dialog, [&] {
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        picture = dialog.grab().toImage();
        dialog.reject();
    });
    dialog.ShowDialog(modify, &device);
    QVERIFY(!picture.isNull());
    const QString title = Child<QLabel>(dialog, "labelDlgName")->text();
    QCOMPARE(title == QStringLiteral("修改服务器设备") || title == QStringLiteral("添加服务器设备"), !english);
    const QDir dir(qEnvironmentVariable("CORVANE_SCREENSHOT_DIR", QDir::tempPath()));
    QVERIFY(dir.mkpath(QStringLiteral(".")));
    QVERIFY(picture.save(
        dir.filePath(QStringLiteral("add-device-%1.png").arg(QString::fromLatin1(QTest::currentDataTag())))));
    if (translator)
        QCoreApplication::removeTranslator(translator.get());
}

QTEST_MAIN(TestAddDeviceDialog)
#include "test_add_device_dialog.moc"
