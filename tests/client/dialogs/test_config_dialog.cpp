// ConfigDialog against a real config.ini and a real autostart folder. This
// program is built into a folder whose name has a space, so the autostart
// entry it makes names a program path with a space.
#include "SettingsDialogSandbox.h"

#include "core/AutoStartEntry.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/QuickSetDialog.h"

#include "QSwitchButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <memory>
#include <optional>

namespace {

const QStringList kSwitches{"switchBtnAutoStart", "switchBtnSpeak", "switchBtnCutVideo", "switchBtnIllRecord"};
const QStringList kSwitchKeys{"Param/AutoStart", "Param/SpeakText", "Param/CutVideo", "Param/IllegalRecord"};

// The 17 type boxes of the form with their keys.
const QList<QPair<QString, QString>> kTypeBoxes{
    {"checkBoxPedestrian", "Incident/Pedestrian"},
    {"checkBoxCongestion", "Incident/Congestion"},
    {"checkBoxSmog", "Incident/Smog"},
    {"checkBoxIllegallyPark", "Incident/IllegallyPark"},
    {"checkBoxLinePressing", "Incident/LinePressing"},
    {"checkBoxWrongWayDriving", "Incident/WrongWayDriving"},
    {"checkBoxObjectsDroppedDown", "Incident/ObjectsDroppedDown"},
    {"checkBoxVisibility", "Incident/Visibility"},
    {"checkBoxConstruction", "Incident/Construction"},
    {"checkBoxChangeLane", "Incident/ChangeLane"},
    {"checkBoxTurnRound", "Incident/TurnRound"},
    {"checkBoxQueueJumping", "Incident/QueueJumping"},
    {"checkBoxRoadblock", "Incident/RoadBlock"},
    {"checkBoxAccident", "Incident/Accident"},
    {"checkBoxVehicleViolation", "Incident/VehicleViolation"},
    {"checkBoxFire", "Incident/Fire"},
    {"checkBoxLowSpeed", "Incident/LowSpeed"},
};

template <typename T>
T* Child(QWidget& dialog, const QString& name)
{
    T* child = dialog.findChild<T*>(name);
    if (!child)
        qFatal("no %s", qPrintable(name));
    return child;
}

QSwitchButton* Switch(QWidget& dialog, const QString& name)
{
    return Child<QSwitchButton>(dialog, name);
}

// Brings a switch to `state` by clicking it, as the operator does.
void SetSwitch(QWidget& dialog, const QString& name, QSwitchButton::StateFlag state)
{
    QSwitchButton* button = Switch(dialog, name);
    if (button->switchState() != state)
        QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->switchState(), state);
}

void SetBox(QWidget& dialog, const QString& name, bool checked)
{
    QCheckBox* box = Child<QCheckBox>(dialog, name);
    if (box->isChecked() != checked)
        ClickBox(box);
    QCOMPARE(box->isChecked(), checked);
}

void Save(QWidget& dialog)
{
    QTest::mouseClick(Child<QPushButton>(dialog, "pBtnConfigSave"), Qt::LeftButton);
}

// One complete set of values the dialog can hold.
struct Values
{
    QSwitchButton::StateFlag switches[4];
    QString seconds;
    QString path;
    int streamType;
    QSet<QString> checkedBoxes;
};

} // namespace

Q_DECLARE_METATYPE(Values)

class TestConfigDialog : public SettingsDialogTest
{
    Q_OBJECT

private:
    std::unique_ptr<ConfigDialog> Shown()
    {
        auto dialog = std::make_unique<ConfigDialog>();
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get()))
            qWarning("dialog not exposed");
        return dialog;
    }

    void Enter(ConfigDialog& dialog, const Values& values)
    {
        for (int i = 0; i < 4; ++i)
            SetSwitch(dialog, kSwitches[i], values.switches[i]);
        if (values.switches[2] == QSwitchButton::on)
            Retype(Child<QLineEdit>(dialog, "lineEditCutVideoSeconds"), values.seconds);
        Retype(Child<QLineEdit>(dialog, "lineEditSavePath"), values.path);
        auto* combo = Child<QComboBox>(dialog, "cBbStreamType");
        while (combo->currentIndex() != values.streamType)
            QTest::keyClick(combo, combo->currentIndex() < values.streamType ? Qt::Key_Down : Qt::Key_Up);
        for (const auto& box : kTypeBoxes)
            SetBox(dialog, box.first, values.checkedBoxes.contains(box.first));
    }

    void CompareShown(ConfigDialog& dialog, const Values& values)
    {
        for (int i = 0; i < 4; ++i)
            QCOMPARE(Switch(dialog, kSwitches[i])->switchState(), values.switches[i]);
        QCOMPARE(Child<QFrame>(dialog, "frameSeconds")->isVisibleTo(&dialog), values.switches[2] == QSwitchButton::on);
        if (values.switches[2] == QSwitchButton::on)
            QCOMPARE(Child<QLineEdit>(dialog, "lineEditCutVideoSeconds")->text(), values.seconds);
        QCOMPARE(Child<QLineEdit>(dialog, "lineEditSavePath")->text(), values.path);
        QCOMPARE(Child<QComboBox>(dialog, "cBbStreamType")->currentIndex(), values.streamType);
        for (const auto& box : kTypeBoxes)
            QVERIFY2(Child<QCheckBox>(dialog, box.first)->isChecked() == values.checkedBoxes.contains(box.first),
                     qPrintable(box.first));
        QCOMPARE(Child<QCheckBox>(dialog, "checkBoxAll")->checkState(),
                 values.checkedBoxes.size() == kTypeBoxes.size() ? Qt::Checked : Qt::Unchecked);
    }

    void CompareStored(const Values& values)
    {
        for (int i = 0; i < 4; ++i)
            QCOMPARE(m_sandbox->InFile(kSwitchKeys[i]).toInt(), int(values.switches[i]));
        if (values.switches[2] == QSwitchButton::on)
            QCOMPARE(m_sandbox->InFile("Param/VideoTime").toString(), values.seconds);
        QCOMPARE(m_sandbox->InFile("Param/SaveDataPath").toString(), values.path);
        QCOMPARE(m_sandbox->InFile("Param/StreamType").toInt(), values.streamType);
        for (const auto& box : kTypeBoxes)
            QVERIFY2(m_sandbox->InFile(box.second).toInt() == (values.checkedBoxes.contains(box.first) ? 1 : 0),
                     qPrintable(box.second));
        QCOMPARE(m_sandbox->InFile("Incident/CheckeAll").toInt(),
                 values.checkedBoxes.size() == kTypeBoxes.size() ? 1 : 0);
    }

    QString DataFolder(const QString& name) const { return m_sandbox->AppDir() + "/" + name; }

private slots:
    void everyFieldSurvivesARestart_data()
    {
        QTest::addColumn<Values>("values");
        QSet<QString> all;
        for (const auto& box : kTypeBoxes)
            all.insert(box.first);
        const auto on = QSwitchButton::on;
        const auto off = QSwitchButton::off;
        QTest::newRow("switches off, sub stream, no incident")
            << Values{{off, off, off, off}, "30", "@/corvane data 1", 1, {}};
        QTest::newRow("switches on, main stream, every incident")
            << Values{{on, on, on, on}, "50", "@/corvane-data-2", 0, all};
        QTest::newRow("mixed switches, a few incidents (全部 stays clear)") << Values{
            {off, on, on, off}, "1", "@/数据/3", 1, {"checkBoxRoadblock", "checkBoxFire", "checkBoxPedestrian"}};
        QSet<QString> allButOne = all;
        allButOne.remove("checkBoxLowSpeed");
        QTest::newRow("every incident but one") << Values{{on, off, on, on}, "17", "@/corvane-data-4", 0, allButOne};
    }
    void everyFieldSurvivesARestart()
    {
        QFETCH(Values, values);
        values.path.replace("@", m_sandbox->AppDir());
        auto dialog = Shown();
        Enter(*dialog, values);
        CompareShown(*dialog, values);
        Save(*dialog);
        QCOMPARE(VisibleToast(), QString("保存配置参数成功"));
        QVERIFY(!dialog->isVisible());
        CompareStored(values);

        dialog.reset();
        SettingsDialogSandbox::Restart();
        auto rebuilt = Shown();
        CompareShown(*rebuilt, values);
    }

    void storedSwitchValuesOtherThanZeroLoadAsOff()
    {
        m_sandbox->EditFileAndRestart("Param/SpeakText", 2);
        auto dialog = Shown();
        QCOMPARE(Switch(*dialog, "switchBtnSpeak")->switchState(), QSwitchButton::off);
        Save(*dialog);
        QCOMPARE(m_sandbox->InFile("Param/SpeakText").toInt(), 1);
    }

    void aStreamTypeOutsideTheListShowsTheMainStream()
    {
        m_sandbox->EditFileAndRestart("Param/StreamType", 7);
        auto dialog = Shown();
        QCOMPARE(Child<QComboBox>(*dialog, "cBbStreamType")->currentIndex(), 0);
        Save(*dialog);
        QCOMPARE(m_sandbox->InFile("Param/StreamType").toInt(), 0);
    }

    void clipLengthFieldShowsOnlyWithClipsOn()
    {
        m_sandbox->EditFileAndRestart("Param/CutVideo", 1);
        auto dialog = Shown();
        auto* frame = Child<QFrame>(*dialog, "frameSeconds");
        QVERIFY(!frame->isVisible());
        QTest::mouseClick(Switch(*dialog, "switchBtnCutVideo"), Qt::LeftButton);
        QVERIFY(frame->isVisible());
    }

    void clipLengthFieldTakesOnlyOneToFifty()
    {
        auto dialog = Shown();
        auto* edit = Child<QLineEdit>(*dialog, "lineEditCutVideoSeconds");
        const QPair<QString, QString> typedAndKept[] = {{"abc", ""}, {"0", ""},     {"75", "7"},   {"51", "5"},
                                                        {"-3", "3"}, {"2.5", "25"}, {"500", "50"}, {"1", "1"}};
        for (const auto& entry : typedAndKept) {
            Retype(edit, entry.first);
            QCOMPARE(edit->text(), entry.second);
        }
    }

    void badInputsAreRefusedAndChangeNothing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toast");
        QTest::newRow("clip length 0") << "lineEditCutVideoSeconds"
                                       << "0"
                                       << "截取短录像时间须为1-50秒";
        QTest::newRow("clip length 51") << "lineEditCutVideoSeconds"
                                        << "51"
                                        << "截取短录像时间须为1-50秒";
        QTest::newRow("clip length text") << "lineEditCutVideoSeconds"
                                          << "ten"
                                          << "截取短录像时间须为1-50秒";
        QTest::newRow("clip length empty") << "lineEditCutVideoSeconds"
                                           << ""
                                           << "截取短录像时间不能为空";
        QTest::newRow("data folder empty") << "lineEditSavePath"
                                           << ""
                                           << "保存路径不能为空";
        QTest::newRow("data folder relative") << "lineEditSavePath"
                                              << "data/alarms"
                                              << "数据存储路径须为绝对路径";
        QTest::newRow("data folder in the home shorthand") << "lineEditSavePath"
                                                           << "~/data"
                                                           << "数据存储路径须为绝对路径";
        // No user, root included, can make files in /proc.
        QTest::newRow("data folder unwritable") << "lineEditSavePath"
                                                << "/proc"
                                                << "数据存储路径无法创建或不可写";
        QTest::newRow("data folder missing, cannot be made") << "lineEditSavePath"
                                                             << "/proc/corvane/data"
                                                             << "数据存储路径无法创建或不可写";
        QTest::newRow("data folder below a file") << "lineEditSavePath"
                                                  << "@/config.ini/data"
                                                  << "数据存储路径无法创建或不可写";
    }
    void badInputsAreRefusedAndChangeNothing()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, toast);
        text.replace("@", m_sandbox->AppDir());
        const QByteArray before = m_sandbox->ConfigBytes();
        QVERIFY(!QFile::exists(m_sandbox->AutoStartFile()));

        auto dialog = Shown();
        QSignalSpy recording(dialog.get(), &ConfigDialog::SigOpenIllegalRecord);
        QSignalSpy stream(dialog.get(), &ConfigDialog::SigStreamTypeChange);
        // Every other field changed too: none of it may be saved.
        SetSwitch(*dialog, "switchBtnAutoStart", QSwitchButton::on);
        SetSwitch(*dialog, "switchBtnSpeak", QSwitchButton::on);
        SetSwitch(*dialog, "switchBtnIllRecord", QSwitchButton::on);
        SetSwitch(*dialog, "switchBtnCutVideo", QSwitchButton::on);
        QTest::keyClick(Child<QComboBox>(*dialog, "cBbStreamType"), Qt::Key_Down);
        SetBox(*dialog, "checkBoxFire", false);
        // Set directly: what the validator lets through typing is checked above.
        Child<QLineEdit>(*dialog, field)->setText(text);

        Save(*dialog);
        QCOMPARE(VisibleToast(), toast);
        QVERIFY(dialog->isVisible());
        QCOMPARE(m_sandbox->ConfigBytes(), before);
        QVERIFY(!QFile::exists(m_sandbox->AutoStartFile()));
        QCOMPARE(recording.count(), 0);
        QCOMPARE(stream.count(), 0);
        QVERIFY(!QFile::exists("/proc/corvane"));
    }

    void aMissingDataFolderIsMade()
    {
        auto dialog = Shown();
        const QString folder = DataFolder("new/alarm data");
        Retype(Child<QLineEdit>(*dialog, "lineEditSavePath"), folder);
        Save(*dialog);
        QCOMPARE(VisibleToast(), QString("保存配置参数成功"));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(m_sandbox->InFile("Param/SaveDataPath").toString(), folder);
    }

    void browsePutsTheChosenFolderIntoTheField()
    {
        auto dialog = Shown();
        auto* edit = Child<QLineEdit>(*dialog, "lineEditSavePath");
        const QString before = edit->text();
        const QString chosen = DataFolder("chosen folder");
        QVERIFY(QDir().mkpath(chosen));

        for (const bool choose : {false, true}) {
            // The chooser runs modally inside the click; it is answered once it shows.
            QTimer answer;
            bool answered = false;
            connect(&answer, &QTimer::timeout, this, [&] {
                auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                if (!chooser)
                    return;
                answer.stop();
                answered = true;
                if (choose) {
                    chooser->setDirectory(chosen);
                    QMetaObject::invokeMethod(chooser, "accept");
                } else {
                    chooser->reject();
                }
            });
            answer.start(20);
            QTest::mouseClick(Child<QPushButton>(*dialog, "pBtnPathBrowse"), Qt::LeftButton);
            QVERIFY(answered);
            QCOMPARE(edit->text(), choose ? chosen : before);
        }
    }

    void aSwitchedOffClipLengthIsNotChecked_data()
    {
        QTest::addColumn<QString>("seconds");
        QTest::newRow("empty") << "";
        QTest::newRow("not a number") << "ten";
        QTest::newRow("out of range") << "75";
    }
    void aSwitchedOffClipLengthIsNotChecked()
    {
        QFETCH(QString, seconds);
        auto dialog = Shown();
        SetSwitch(*dialog, "switchBtnCutVideo", QSwitchButton::off);
        Child<QLineEdit>(*dialog, "lineEditCutVideoSeconds")->setText(seconds);
        Save(*dialog);
        QCOMPARE(VisibleToast(), QString("保存配置参数成功"));
        QCOMPARE(m_sandbox->InFile("Param/CutVideo").toInt(), 1);
        QCOMPARE(m_sandbox->InFile("Param/VideoTime").toInt(), 30);
    }

    void aFailedWriteIsReportedAndLeavesTheOldValues_data()
    {
        QTest::addColumn<bool>("closeStore");
        QTest::newRow("config.ini cannot be replaced") << false;
        QTest::newRow("no settings file open") << true;
    }
    void aFailedWriteIsReportedAndLeavesTheOldValues()
    {
        QFETCH(bool, closeStore);
        auto dialog = Shown();
        QSignalSpy recording(dialog.get(), &ConfigDialog::SigOpenIllegalRecord);
        QSignalSpy stream(dialog.get(), &ConfigDialog::SigStreamTypeChange);
        SetSwitch(*dialog, "switchBtnAutoStart", QSwitchButton::on);
        SetSwitch(*dialog, "switchBtnSpeak", QSwitchButton::on);
        SetSwitch(*dialog, "switchBtnIllRecord", QSwitchButton::on);
        if (closeStore) {
            SettingsDialogSandbox::Store()->Close();
        } else {
            // A folder where the file was: no writer, root included, can put the file back.
            QVERIFY(QFile::remove(m_sandbox->ConfigFile()));
            QVERIFY(QDir().mkdir(m_sandbox->ConfigFile()));
        }

        Save(*dialog);
        QCOMPARE(VisibleToast(), QString("保存配置参数失败"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(recording.count(), 0);
        QCOMPARE(stream.count(), 0);
        QVERIFY2(!QFile::exists(m_sandbox->AutoStartFile()), "the autostart entry goes back with the refused save");
        if (!closeStore) {
            QCOMPARE(SettingsDialogSandbox::Store()->GetValue("Param/SpeakText", true).toInt(), 1);
            QCOMPARE(SettingsDialogSandbox::Store()->GetValue("Param/IllegalRecord", true).toInt(), 1);
        }
    }

    void aSaveAfterARefusedOneSucceeds()
    {
        const QByteArray before = m_sandbox->ConfigBytes();
        auto dialog = Shown();
        SetSwitch(*dialog, "switchBtnSpeak", QSwitchButton::on);
        QVERIFY(QFile::remove(m_sandbox->ConfigFile()));
        QVERIFY(QDir().mkdir(m_sandbox->ConfigFile()));
        Save(*dialog);
        QCOMPARE(VisibleToast(), QString("保存配置参数失败"));

        QVERIFY(QDir().rmdir(m_sandbox->ConfigFile()));
        QFile file(m_sandbox->ConfigFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
        file.close();
        Save(*dialog);
        QCOMPARE(VisibleToast(), QString("保存配置参数成功"));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(m_sandbox->InFile("Param/SpeakText").toInt(), 0);
        QCOMPARE(SettingsDialogSandbox::Store()->GetValue("Param/SpeakText", true).toInt(), 0);
    }

    void autostartFollowsTheSwitch()
    {
        const QString program = QCoreApplication::applicationFilePath();
        QVERIFY2(program.contains(' '), "this test runs from a folder with a space in its name");
        const QByteArray wanted = AutoStartEntry::ContentFor(program);

        auto dialog = Shown();
        SetSwitch(*dialog, "switchBtnAutoStart", QSwitchButton::on);
        Save(*dialog);
        QFile entry(m_sandbox->AutoStartFile());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QCOMPARE(entry.readAll(), wanted);
        entry.close();
        QCOMPARE(m_sandbox->InFile("Param/AutoStart").toInt(), 0);

        dialog->show();
        SetSwitch(*dialog, "switchBtnAutoStart", QSwitchButton::off);
        Save(*dialog);
        QVERIFY(!entry.exists());
        QCOMPARE(m_sandbox->InFile("Param/AutoStart").toInt(), 1);

        // An entry left by a copy of the client elsewhere points at the wrong program.
        QVERIFY(AutoStartEntry::Enable("/old/place/Corvane"));
        dialog->show();
        SetSwitch(*dialog, "switchBtnAutoStart", QSwitchButton::on);
        Save(*dialog);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QCOMPARE(entry.readAll(), wanted);
    }

    void allBoxFollowsTheTypeBoxes()
    {
        m_sandbox->EditFileAndRestart("Incident/Smog", 0);
        auto dialog = Shown();
        auto* all = Child<QCheckBox>(*dialog, "checkBoxAll");
        QCOMPARE(all->checkState(), Qt::Unchecked);
        ClickBox(all);
        for (const auto& box : kTypeBoxes)
            QVERIFY(Child<QCheckBox>(*dialog, box.first)->isChecked());
        SetBox(*dialog, "checkBoxSmog", false);
        QCOMPARE(all->checkState(), Qt::Unchecked);
        QVERIFY(Child<QCheckBox>(*dialog, "checkBoxFire")->isChecked());
        SetBox(*dialog, "checkBoxSmog", true);
        QCOMPARE(all->checkState(), Qt::Checked);
        Save(*dialog);
        QCOMPARE(m_sandbox->InFile("Incident/CheckeAll").toInt(), 1);
        QCOMPARE(m_sandbox->InFile("Incident/Smog").toInt(), 1);
    }

    void recordingIsSignalledOnlyWhenItChanges()
    {
        struct Step
        {
            std::optional<QSwitchButton::StateFlag> set; // the switch before the save; none: left alone
            int emitted;                                 // SigOpenIllegalRecord so far
        };
        const Step steps[] = {{std::nullopt, 0},
                              {QSwitchButton::on, 1},
                              {std::nullopt, 1},
                              {QSwitchButton::on, 1},
                              {QSwitchButton::off, 2}};
        auto dialog = Shown();
        QSignalSpy recording(dialog.get(), &ConfigDialog::SigOpenIllegalRecord);
        QSignalSpy stream(dialog.get(), &ConfigDialog::SigStreamTypeChange);
        int saves = 0;
        for (const Step& step : steps) {
            dialog->show();
            if (step.set)
                SetSwitch(*dialog, "switchBtnIllRecord", *step.set);
            Save(*dialog);
            QCOMPARE(stream.count(), ++saves);
            QCOMPARE(recording.count(), step.emitted);
            if (step.set && step.emitted > 0)
                QCOMPARE(recording.last().at(0).toInt(), int(*step.set));
        }
    }

    void streamTypeKeepsItsIndexAcrossALanguageChange()
    {
        auto dialog = Shown();
        connect(LanguageManage::GetInstance(), &LanguageManage::languageChangeSig, dialog.get(),
                &ConfigDialog::reTranslateUI);
        auto* combo = Child<QComboBox>(*dialog, "cBbStreamType");
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentIndex(), 1);
        SwitchLanguage(LanguageManage::English);
        QCOMPARE(combo->currentIndex(), 1);
        QCOMPARE(combo->currentText(), QString("Sub stream"));
        QCOMPARE(Child<QPushButton>(*dialog, "pBtnConfigSave")->text(), QString("Save"));
        Save(*dialog);
        QCOMPARE(VisibleToast(), QString("Settings saved"));
        QCOMPARE(m_sandbox->InFile("Param/StreamType").toInt(), 1);

        // "全部" is still told apart from the type boxes in English.
        dialog->show();
        SetBox(*dialog, "checkBoxAll", false);
        for (const auto& box : kTypeBoxes)
            QVERIFY(!Child<QCheckBox>(*dialog, box.first)->isChecked());
    }

    void cancelWritesNothingAndTheNextShowingReloads()
    {
        const QByteArray before = m_sandbox->ConfigBytes();
        auto dialog = Shown();
        SetSwitch(*dialog, "switchBtnSpeak", QSwitchButton::on);
        QTest::mouseClick(Child<QPushButton>(*dialog, "pBtnConfigCancel"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(m_sandbox->ConfigBytes(), before);
        dialog->show();
        QCOMPARE(Switch(*dialog, "switchBtnSpeak")->switchState(), QSwitchButton::off);
    }

    void quickSetAndConfigurationKeepEachOthersChanges()
    {
        auto config = Shown(); // the main window's kept instance, built early
        QTest::mouseClick(Child<QPushButton>(*config, "pBtnConfigCancel"), Qt::LeftButton);

        {
            QuickSetDialog quick;
            quick.show();
            SetBox(quick, "checkBoxRoadBlock", false);
            SetBox(quick, "checkBoxFire", false);
            Save(quick);
        }
        QCOMPARE(m_sandbox->InFile("Incident/RoadBlock").toInt(), 0);

        config->show();
        QVERIFY(!Child<QCheckBox>(*config, "checkBoxRoadblock")->isChecked());
        QVERIFY(!Child<QCheckBox>(*config, "checkBoxFire")->isChecked());
        QCOMPARE(Child<QCheckBox>(*config, "checkBoxAll")->checkState(), Qt::Unchecked);
        SetSwitch(*config, "switchBtnSpeak", QSwitchButton::on);
        SetBox(*config, "checkBoxSmog", false);
        Save(*config);
        QCOMPARE(m_sandbox->InFile("Incident/RoadBlock").toInt(), 0);
        QCOMPARE(m_sandbox->InFile("Incident/Fire").toInt(), 0);
        QCOMPARE(m_sandbox->InFile("Incident/Smog").toInt(), 0);
        QCOMPARE(m_sandbox->InFile("Param/SpeakText").toInt(), 0);

        QuickSetDialog quick;
        QVERIFY(!Child<QCheckBox>(quick, "checkBoxSmog")->isChecked());
        QVERIFY(!Child<QCheckBox>(quick, "checkBoxRoadBlock")->isChecked());
        QVERIFY(Child<QCheckBox>(quick, "checkBoxAccident")->isChecked());
    }
};

QTEST_MAIN(TestConfigDialog)
#include "test_config_dialog.moc"
