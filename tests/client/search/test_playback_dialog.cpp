// The playback dialog on an X server, over the real player layer, with clips
// made by ffmpeg: a device recording (MPEG-TS named ".mp4") and an MP4 played
// with every control, the time texts, the end of the file, full screen, a clip
// that does not open, closing, and screenshots in both languages.

#include "PageTestSupport.h"
#include "LogLines.h"
#include "PlaybackTestSupport.h"

#include "search/VideoDetailInfoDialog.h"
#include "search/VideoManager.h"

#include "dialogs/QPictureFrame.h"

#include "Vendaro.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTranslator>
#include <QtTest>

#include <memory>

using namespace PageTestSupport;

class TestPlaybackDialog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString recording; // 75 s, MPEG-TS named ".mp4" as the device link records
    QString mp4;       // 75 s, MP4
    QString shortClip; // 2 s
    std::unique_ptr<VideoDetailInfoDialog> dialog;

    template <class T>
    T* Child(const char* name) const
    {
        T* child = dialog->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no child %s", name);
        return child;
    }
    QToolButton* Button(const char* name) const { return Child<QToolButton>(name); }
    QSlider* Slider() const { return Child<QSlider>("SliVideoProcess"); }
    QWidget* Video() const { return Child<QWidget>("frameVideo"); }
    QString Time(const char* h, const char* m, const char* s) const
    {
        return Child<QLabel>(h)->text() + ':' + Child<QLabel>(m)->text() + ':' + Child<QLabel>(s)->text();
    }
    QString CurrentTime() const { return Time("labelCurH", "labelCurM", "labelCurS"); }
    QString TotalTime() const { return Time("labelTotalH", "labelTotalM", "labelTotalS"); }
    long Port() const { return dialog->Port(); }
    bool Paused() const { return Button("tBtnStart")->property("Pause").toBool(); }
    int Played() const
    {
        long port = Port();
        return VideoManager::GetInstance()->GetPlayedTime(port);
    }
    int Frame() const { return int(Mavro_GetCurrentFrameNum(Port())); }
    bool ControlsEnabled() const
    {
        for (const char* name : {"tBtnStop", "tBtnOnebyone", "tBtnOnebyoneback", "tBtnSpeedUp", "tBtnSpeedDown"})
            if (!Button(name)->isEnabled())
                return false;
        return Slider()->isEnabled();
    }
    bool ControlsDisabled() const
    {
        for (const char* name : {"tBtnStop", "tBtnOnebyone", "tBtnOnebyoneback", "tBtnSpeedUp", "tBtnSpeedDown"})
            if (Button(name)->isEnabled())
                return false;
        return !Slider()->isEnabled();
    }
    bool Playing() const
    {
        return Button("tBtnStart")->isHidden() && !Button("tBtnPause")->isHidden() && !Paused() &&
               dialog->DisplayTimer().isActive() && ControlsEnabled();
    }
    bool Stopped() const
    {
        return !Button("tBtnStart")->isHidden() && Button("tBtnPause")->isHidden() && !Paused() &&
               !dialog->DisplayTimer().isActive() && ControlsDisabled();
    }
    void Click(const char* button) { QTest::mouseClick(Button(button), Qt::LeftButton); }
    // Drags the slider to `seconds` as the operator does.
    void DragSliderTo(int seconds)
    {
        Slider()->setSliderDown(true);
        Slider()->setSliderPosition(seconds);
        Slider()->setSliderDown(false);
    }
    void OpenAndWaitForPictures(const QString& path)
    {
        dialog->OpenVideo(path);
        QVERIFY(Playing());
        QTRY_VERIFY_WITH_TIMEOUT(Mavro_GetShownFrameCount(Port()) > 0, 10000);
    }

private slots:
    void initTestCase()
    {
        recording = folder.filePath(QStringLiteral("recording.mp4"));
        mp4 = folder.filePath(QStringLiteral("clip.mp4"));
        shortClip = folder.filePath(QStringLiteral("short.mp4"));
        QVERIFY(PlaybackTestSupport::MakeClip(recording, 75, QStringLiteral("mpegts")));
        QVERIFY(PlaybackTestSupport::MakeClip(mp4, 75, QStringLiteral("mp4")));
        QVERIFY(PlaybackTestSupport::MakeClip(shortClip, 2, QStringLiteral("mpegts")));
        QVERIFY(ApplyStyleSheet());
    }

    void init()
    {
        dialog = std::make_unique<VideoDetailInfoDialog>();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QVERIFY(Port() >= 0);
        QVERIFY(Stopped()); // idle: nothing to play yet
    }

    void cleanup() { dialog.reset(); }

    void everyControl_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::newRow("device recording (MPEG-TS)") << recording;
        QTest::newRow("MP4") << mp4;
    }

    void everyControl()
    {
        QFETCH(QString, clip);
        OpenAndWaitForPictures(clip);
        QCOMPARE(TotalTime(), QStringLiteral("00:01:15"));
        QCOMPARE(Slider()->minimum(), 0);
        QCOMPARE(Slider()->maximum(), 75);
        QCOMPARE(dialog->TimerInterval(), 1000);
        QTRY_VERIFY_WITH_TIMEOUT(Slider()->value() >= 1, 5000);
        QVERIFY(CurrentTime().startsWith(QStringLiteral("00:00:0")));

        // Pause, then start resumes the same playback.
        Click("tBtnPause");
        QVERIFY(Paused());
        QVERIFY(Button("tBtnStart")->isVisible());
        QVERIFY(!dialog->DisplayTimer().isActive());
        QVERIFY(ControlsEnabled());
        const int pausedAt = Played();
        Click("tBtnStart");
        QVERIFY(Playing());
        QTRY_VERIFY_WITH_TIMEOUT(Played() > pausedAt, 5000);

        // Frame steps once the file's index is built.
        QTRY_VERIFY_WITH_TIMEOUT(VideoManager::IsIndexReady(Port()), 10000);
        Click("tBtnPause");
        const int frame = Frame();
        Click("tBtnOnebyone");
        QVERIFY(Button("tBtnStart")->isVisible());
        QVERIFY(!Paused());
        QVERIFY(!dialog->DisplayTimer().isActive());
        // A frame on its way when the pause came may still be shown first.
        QTRY_VERIFY_WITH_TIMEOUT(Frame() == frame + 1 || Frame() == frame + 2, 5000);
        const int stepped = Frame();
        Click("tBtnOnebyoneback");
        Click("tBtnOnebyoneback");
        QTRY_COMPARE_WITH_TIMEOUT(Frame(), stepped - 2, 5000);

        // After a step, start runs the full start again: interval back to 1000.
        Click("tBtnStart");
        QVERIFY(Playing());
        // Speeds from 1 up to 16 and down to 1/16; a step past either end is refused
        // and leaves the interval as it was.
        LogLines log("VideoManager");
        QList<int> intervals;
        for (int click = 0; click < 5; ++click) {
            Click("tBtnSpeedUp");
            intervals << dialog->TimerInterval();
        }
        QCOMPARE(intervals, (QList<int>{500, 250, 125, 62, 62}));
        QVERIFY(log.Contains("VideoManager::SetVideoFast,快速播放失败"));
        intervals.clear();
        for (int click = 0; click < 9; ++click) {
            Click("tBtnSpeedDown");
            intervals << dialog->TimerInterval();
        }
        QCOMPARE(intervals, (QList<int>{124, 248, 496, 992, 1984, 3968, 7936, 15872, 15872}));
        QVERIFY(log.Contains("VideoManager::SetVideoSlow"));
        for (int click = 0; click < 4; ++click)
            Click("tBtnSpeedUp"); // normal speed again

        // Seeking by the slider; the time texts follow.
        DragSliderTo(40);
        QTRY_VERIFY_WITH_TIMEOUT(Played() >= 40 && Played() <= 43, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(CurrentTime().contains(QRegularExpression(QStringLiteral("^00:00:4[0-3]$"))), 5000);
        DragSliderTo(61);
        QTRY_VERIFY_WITH_TIMEOUT(CurrentTime().contains(QRegularExpression(QStringLiteral("^00:01:0[1-3]$"))), 5000);

        // The end of the file stops the playback; the total stays.
        DragSliderTo(73);
        QTRY_VERIFY_WITH_TIMEOUT(Stopped(), 10000);
        QCOMPARE(CurrentTime(), QStringLiteral("00:00:00"));
        QCOMPARE(TotalTime(), QStringLiteral("00:01:15"));
        QVERIFY(!static_cast<QPictureFrame*>(Video())->hasImage());

        // Start after the end plays the file again from its start.
        Click("tBtnStart");
        QVERIFY(Playing());
        QTRY_VERIFY_WITH_TIMEOUT(Played() >= 0 && Played() <= 3, 5000);
    }

    void stopKeepsTheTotalAndDisablesTheControls()
    {
        OpenAndWaitForPictures(recording);
        Click("tBtnSpeedUp");
        Click("tBtnStop");
        QVERIFY(Stopped());
        QCOMPARE(CurrentTime(), QStringLiteral("00:00:00"));
        QCOMPARE(TotalTime(), QStringLiteral("00:01:15"));
        QCOMPARE(Slider()->maximum(), 75);
        Click("tBtnStart");
        QVERIFY(Playing());
        QCOMPARE(dialog->TimerInterval(), 1000);
    }

    // The video is shown full screen by a window of its own and comes back
    // into the dialog, in its own place, however often it goes.
    bool VideoAtHome(QWidget* video) const
    {
        return !dialog->IsVideoFullScreen() && video->window() == dialog.get() && !video->isWindow() &&
               video->isVisible();
    }

    void fullScreenOnlyWhilePlaying()
    {
        OpenAndWaitForPictures(recording);
        QWidget* video = Video();
        const QRect home = video->geometry();
        DoubleClick(video);
        QTRY_VERIFY(dialog->IsVideoFullScreen());
        QVERIFY(video->window() != dialog.get());
        QTRY_VERIFY(video->window()->isFullScreen());
        DoubleClick(video);
        // In its cell at once: its first picture back home is not drawn at the full-screen size.
        QCOMPARE(video->geometry(), home);
        QTRY_VERIFY(VideoAtHome(video));
        Click("tBtnPause");
        DoubleClick(video);
        QVERIFY(VideoAtHome(video));
    }

    // Left over from a full-screen switch, a window kept the video after the
    // dialog closed, and every later playback drew into it.
    void fullScreenCyclesLeaveNoWindowBehind()
    {
        OpenAndWaitForPictures(recording);
        QWidget* video = Video();
        for (int cycle = 0; cycle < 5; ++cycle) {
            DoubleClick(video);
            QTRY_VERIFY(video->window()->isFullScreen());
            DoubleClick(video);
            QTRY_VERIFY(VideoAtHome(video));
        }
        DoubleClick(video);
        QTRY_VERIFY(dialog->IsVideoFullScreen());
        dialog->close(); // closed while full screen
        QVERIFY(VideoAtHome(video) || !video->isVisible());
        QCOMPARE(video->window(), dialog.get());
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY2(!top->isVisible(), qPrintable(top->objectName()));
        dialog->show();
        OpenAndWaitForPictures(recording);
        QCOMPARE(video->window(), dialog.get());
    }

    // The search page runs the dialog modal, and a modal dialog blocks input
    // to windows outside its family: the full-screen video took no key and no
    // double-click, and the dialog came up over it with its video gone.
    void fullScreenOfAModalDialogTakesInput()
    {
        dialog->hide();
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        OpenAndWaitForPictures(recording);
        QWidget* video = Video();
        DoubleClick(video);
        QTRY_VERIFY(video->window()->isFullScreen());
        QVERIFY(QTest::qWaitForWindowExposed(video->window()));
        // Through the window system, where modality is enforced.
        QTest::keyClick(video->window()->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(VideoAtHome(video));
    }

    void endOfFileLeavesFullScreen()
    {
        OpenAndWaitForPictures(shortClip);
        QCOMPARE(TotalTime(), QStringLiteral("00:00:02"));
        QWidget* video = Video();
        DoubleClick(video);
        QTRY_VERIFY(dialog->IsVideoFullScreen());
        QTRY_VERIFY_WITH_TIMEOUT(Stopped(), 10000);
        QTRY_VERIFY(!dialog->IsVideoFullScreen());
        QCOMPARE(video->window(), dialog.get());
        QVERIFY(!video->isWindow());
    }

    void clipThatDoesNotOpenLeavesTheDialogIdle()
    {
        OpenAndWaitForPictures(shortClip);
        const QString broken = folder.filePath(QStringLiteral("broken.mp4"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, '\x47')); // sync bytes and nothing else
        file.close();
        dialog->OpenVideo(broken);
        QVERIFY(Stopped());
        QCOMPARE(TotalTime(), QStringLiteral("00:00:00"));
        long port = Port();
        QVERIFY(!VideoManager::GetInstance()->HasVideoFile(port));
        QTRY_VERIFY(ToastText().contains(QStringLiteral("broken.mp4")));
        // Start has nothing to play: it changes nothing.
        Click("tBtnStart");
        QVERIFY(Stopped());
        OpenAndWaitForPictures(recording);
    }

    void closingStopsAndGivesThePortBack()
    {
        OpenAndWaitForPictures(recording);
        const long port = Port();
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        Click("toolButton_close");
        QVERIFY(!dialog->isVisible());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(Port(), -1L);
        QVERIFY(Stopped());
        QVERIFY(!Mavro_Stop(port));
        QCOMPARE(Mavro_GetLastError(port), unsigned(MAVRO_ERR_INVALID_PORT));
        // Opened again, it takes a port and plays.
        dialog->show();
        OpenAndWaitForPictures(mp4);
        QVERIFY(Port() >= 0);
    }

    void titleBarDragsTheDialog()
    {
        QWidget* title = Child<QWidget>("frameTitle");
        const QPoint start = dialog->pos();
        const QPoint press(200, 20);
        auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, const QPoint& at) {
            QMouseEvent event(type, at, title->mapToGlobal(at), button, held, Qt::NoModifier);
            QApplication::sendEvent(title, &event);
        };
        send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, press);
        send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, press + QPoint(60, 40));
        send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, press + QPoint(60, 40));
        QTRY_COMPARE(dialog->pos(), start + QPoint(60, 40));
    }

    void screenshots_data() { AddLanguageRows(); }

    void screenshots()
    {
        QFETCH(QString, language);
        const Language translation(language);
        QVERIFY(translation.Loaded());
        dialog = std::make_unique<VideoDetailInfoDialog>();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        OpenAndWaitForPictures(recording);
        QTRY_VERIFY_WITH_TIMEOUT(Slider()->value() >= 2, 5000);
        Click("tBtnPause");
        const QString expectedTitle =
            language == QLatin1String("en") ? QStringLiteral("Playback") : QStringLiteral("录像查看");
        QCOMPARE(Child<QLabel>("labelVideoDetailDlgName")->text(), expectedTitle);
        const QDir out = ScreenshotFolder();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest); // the buttons' row without pause
        QVERIFY(dialog->grab().save(out.filePath(QStringLiteral("playback-dialog-%1.png").arg(language))));
    }
};

QTEST_MAIN(TestPlaybackDialog)
#include "test_playback_dialog.moc"
