// QuickSetDialog against a real config.ini.
#include "SettingsDialogSandbox.h"

#include "dialogs/QuickSetDialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>

namespace {

// The type boxes in form order, with their keys and codes.
struct TypeBox
{
    const char* name;
    const char* key;
    quint32 code;
};
const TypeBox kTypeBoxes[] = {
    {"checkBoxCongestion", "Incident/Congestion", 1},
    {"checkBoxIllegallyPark", "Incident/IllegallyPark", 2},
    {"checkBoxPedestrian", "Incident/Pedestrian", 8},
    {"checkBoxSmog", "Incident/Smog", 32},
    {"checkBoxObjectsDroppedDown", "Incident/ObjectsDroppedDown", 16},
    {"checkBoxVisibility", "Incident/Visibility", 0x20000},
    {"checkBoxConstruction", "Incident/Construction", 16384},
    {"checkBoxChangeLane", "Incident/ChangeLane", 512},
    {"checkBoxFire", "Incident/Fire", 0x80000},
    {"checkBoxRoadBlock", "Incident/RoadBlock", 8192},
    {"checkBoxQueueJumping", "Incident/QueueJumping", 4096},
    {"checkBoxTurnRound", "Incident/TurnRound", 1024},
    {"checkBoxAccident", "Incident/Accident", 32768},
    {"checkBoxVehicleViolation", "Incident/VehicleViolation", 2048},
    {"checkBoxLinePressing", "Incident/LinePressing", 64},
    {"checkBoxLowSpeed", "Incident/LowSpeed", 260},
    {"checkBoxWrongWayDriving", "Incident/WrongWayDriving", 4},
};

QCheckBox* Box(QWidget& dialog, const QString& name)
{
    auto* box = dialog.findChild<QCheckBox*>(name);
    if (!box)
        qFatal("no %s", qPrintable(name));
    return box;
}

void Click(QWidget& dialog, const QString& name)
{
    QWidget* widget = dialog.findChild<QWidget*>(name);
    if (!widget)
        qFatal("no %s", qPrintable(name));
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        ClickBox(box);
    else
        QTest::mouseClick(widget, Qt::LeftButton);
}

} // namespace

class TestQuickSetDialog : public SettingsDialogTest
{
    Q_OBJECT

private slots:
    void choicesAreStoredAndSignalled_data()
    {
        QTest::addColumn<QStringList>("checked");
        QTest::newRow("none") << QStringList{};
        QTest::newRow("only the road block") << QStringList{"checkBoxRoadBlock"};
        QTest::newRow("three") << QStringList{"checkBoxWrongWayDriving", "checkBoxCongestion", "checkBoxFire"};
        QStringList all;
        for (const TypeBox& type : kTypeBoxes)
            all << type.name;
        QTest::newRow("all") << all;
    }
    void choicesAreStoredAndSignalled()
    {
        QFETCH(QStringList, checked);
        QuickSetDialog dialog;
        dialog.show();
        QSignalSpy refresh(&dialog, &QuickSetDialog::RefreshIncidentListSig);
        for (const TypeBox& type : kTypeBoxes) {
            if (Box(dialog, type.name)->isChecked() != checked.contains(type.name))
                Click(dialog, type.name);
        }
        QCOMPARE(Box(dialog, "checkBoxAll")->isChecked(), checked.size() == 17);
        Click(dialog, "pBtnConfigSave");

        QCOMPARE(VisibleToast(), QString("保存配置参数成功"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QList<quint32> codes;
        for (const TypeBox& type : kTypeBoxes) {
            QVERIFY2(m_sandbox->InFile(type.key).toInt() == (checked.contains(type.name) ? 1 : 0), type.key);
            if (checked.contains(type.name))
                codes << type.code;
        }
        QCOMPARE(m_sandbox->InFile("Incident/CheckeAll").toInt(), checked.size() == 17 ? 1 : 0);
        QCOMPARE(refresh.count(), 1);
        QCOMPARE(refresh.at(0).at(0).value<QList<quint32>>(), codes);

        SettingsDialogSandbox::Restart();
        QuickSetDialog rebuilt;
        for (const TypeBox& type : kTypeBoxes)
            QVERIFY2(Box(rebuilt, type.name)->isChecked() == checked.contains(type.name), type.name);
        QCOMPARE(Box(rebuilt, "checkBoxAll")->isChecked(), checked.size() == 17);
    }

    void allBoxChecksAndClearsEveryType()
    {
        m_sandbox->EditFileAndRestart("Incident/Fire", 0);
        QuickSetDialog dialog;
        dialog.show();
        QSignalSpy refresh(&dialog, &QuickSetDialog::RefreshIncidentListSig);
        QVERIFY(!Box(dialog, "checkBoxAll")->isChecked());
        // Checking the last unchecked type checks "全部".
        Click(dialog, "checkBoxFire");
        QVERIFY(Box(dialog, "checkBoxAll")->isChecked());
        Click(dialog, "checkBoxAll");
        for (const TypeBox& type : kTypeBoxes)
            QVERIFY(!Box(dialog, type.name)->isChecked());
        Click(dialog, "checkBoxAll");
        Click(dialog, "pBtnConfigSave");
        const QList<quint32> codes = refresh.at(0).at(0).value<QList<quint32>>();
        QCOMPARE(codes.size(), 17);
        QCOMPARE(codes.mid(0, 5), (QList<quint32>{1, 2, 8, 32, 16}));
    }

    void aStoredTwoLoadsUncheckedAndIsSavedAsZero()
    {
        m_sandbox->EditFileAndRestart("Incident/Smog", 2);
        QuickSetDialog dialog;
        dialog.show();
        QVERIFY(!Box(dialog, "checkBoxSmog")->isChecked());
        Click(dialog, "pBtnConfigSave");
        QCOMPARE(m_sandbox->InFile("Incident/Smog").toInt(), 0);
    }

    void cancelWritesNothing()
    {
        const QByteArray before = m_sandbox->ConfigBytes();
        QuickSetDialog dialog;
        dialog.show();
        QSignalSpy refresh(&dialog, &QuickSetDialog::RefreshIncidentListSig);
        Click(dialog, "checkBoxAll");
        Click(dialog, "pBtnConfigCancel");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(m_sandbox->ConfigBytes(), before);
        QCOMPARE(refresh.count(), 0);
    }

    void aFailedWriteIsReportedNotConfirmed()
    {
        QuickSetDialog dialog;
        dialog.show();
        QSignalSpy refresh(&dialog, &QuickSetDialog::RefreshIncidentListSig);
        Click(dialog, "checkBoxFire");
        SettingsDialogSandbox::Store()->Close();
        Click(dialog, "pBtnConfigSave");
        QCOMPARE(VisibleToast(), QString("保存配置参数失败"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(refresh.count(), 0);
        QCOMPARE(m_sandbox->InFile("Incident/Fire").toInt(), 1);
    }
};

QTEST_MAIN(TestQuickSetDialog)
#include "test_quick_set_dialog.moc"
