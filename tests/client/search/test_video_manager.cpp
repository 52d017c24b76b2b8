// The playback-port manager over the real player layer, with clips made by
// ffmpeg: ports and files, the index that belongs to the open file, the
// file-end notice, and the failures each operation reports.

#include "LogLines.h"
#include "PlaybackTestSupport.h"

#include "search/VideoManager.h"

#include "Vendaro.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestVideoManager : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString clipA;
    QString clipB;
    QString shortClip;
    VideoManager* manager = nullptr;
    long port = -1;

private slots:
    void initTestCase()
    {
        clipA = folder.filePath(QStringLiteral("a.mp4"));
        clipB = folder.filePath(QStringLiteral("b.mp4"));
        shortClip = folder.filePath(QStringLiteral("short.mp4"));
        // Recordings of the device link are MPEG-TS named ".mp4".
        QVERIFY(PlaybackTestSupport::MakeClip(clipA, 6, QStringLiteral("mpegts")));
        QVERIFY(PlaybackTestSupport::MakeClip(clipB, 4, QStringLiteral("mp4")));
        QVERIFY(PlaybackTestSupport::MakeClip(shortClip, 1, QStringLiteral("mpegts")));
        manager = VideoManager::GetInstance();
        QVERIFY(manager);
        QCOMPARE(VideoManager::GetInstance(), manager);
    }

    void init()
    {
        manager->GetMavroPort(port);
        QVERIFY(port >= 0);
    }

    void cleanup() { manager->FreeMavroPort(port); }

    void invalidPortsAreRefusedWithoutTheLayer_data()
    {
        QTest::addColumn<long>("badPort");
        QTest::newRow("no port") << -1L;
        QTest::newRow("never handed out") << 900L;
    }

    void invalidPortsAreRefusedWithoutTheLayer()
    {
        QFETCH(long, badPort);
        LogLines log("VideoManager");
        QVERIFY(!manager->SetVideoFile(badPort, clipA));
        QVERIFY(log.Contains("VideoManager::SetVideoFile,播放端口号无效"));
        QVERIFY(!manager->HasVideoFile(badPort));
        QCOMPARE(manager->GetVideoFile(badPort), QString());
    }

    void emptyPathClosesTheFile()
    {
        QVERIFY(manager->SetVideoFile(port, clipA));
        QVERIFY(manager->HasVideoFile(port));
        QCOMPARE(manager->GetVideoFile(port), clipA);
        QCOMPARE(manager->GetFileTime(port), 6);
        QVERIFY(manager->SetVideoFile(port, QString()));
        QVERIFY(!manager->HasVideoFile(port));
        QCOMPARE(manager->GetVideoFile(port), QString());
        // Nothing open on the port any more: the layer refuses to play.
        QVERIFY(!manager->StartVideoPlay(port, 0));
    }

    void secondFileReplacesTheFirst()
    {
        QVERIFY(manager->SetVideoFile(port, clipA));
        QVERIFY(manager->SetVideoFile(port, clipB));
        QCOMPARE(manager->GetVideoFile(port), clipB);
        QCOMPARE(manager->GetFileTime(port), 4);
    }

    void fileThatCannotOpenIsReportedWithTheLayersError()
    {
        const QString text = folder.filePath(QStringLiteral("not-a-clip.mp4"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        LogLines log("VideoManager");
        QVERIFY(!manager->SetVideoFile(port, text));
        QVERIFY(log.Contains("VideoManager::SetVideoFile,设置当前播放文件失败，错误码："));
        QVERIFY(!manager->HasVideoFile(port));
    }

    // The index is the open file's: stepping on the next file never uses the previous one's.
    void openingAnotherFileForgetsTheIndex()
    {
        QVERIFY(manager->SetVideoFile(port, clipA));
        QTRY_VERIFY_WITH_TIMEOUT(VideoManager::IsIndexReady(port), 10000);
        QVERIFY(manager->SetVideoFile(port, clipB));
        // The player indexes a short clip quickly: it may be done by now. Until
        // it is, stepping is refused rather than run on the first file's index.
        if (!VideoManager::IsIndexReady(port)) {
            LogLines log("VideoManager");
            if (!manager->SetVideoOnebyOne(port))
                QVERIFY(log.Contains("VideoManager::SetVideoOnebyOne,文件索引创建失败，不能单帧播放"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(VideoManager::IsIndexReady(port), 10000);
        QVERIFY(manager->StartVideoPlay(port, 0));
        QVERIFY(manager->PauseVideoPlay(port, true));
        QVERIFY(manager->SetVideoOnebyOne(port));
    }

    void leftTimeWhilePlayedTimeIsUnknownIsTheWholeLength()
    {
        QVERIFY(manager->SetVideoFile(port, clipA));
        QCOMPARE(manager->GetPlayedTime(port), -1);
        QCOMPARE(manager->GetLeftTime(port), 6);
        QVERIFY(manager->StartVideoPlay(port, 0));
        QTRY_VERIFY_WITH_TIMEOUT(manager->GetPlayedTime(port) >= 1, 10000);
        QCOMPARE(manager->GetLeftTime(port), 6 - manager->GetPlayedTime(port));
    }

    void playPositionRange_data()
    {
        QTest::addColumn<float>("position");
        QTest::addColumn<bool>("refused");
        QTest::newRow("start") << 0.0f << false;
        QTest::newRow("end") << 1.0f << false;
        QTest::newRow("below") << -0.01f << true;
        QTest::newRow("above") << 1.01f << true;
    }

    void playPositionRange()
    {
        QFETCH(float, position);
        QFETCH(bool, refused);
        QVERIFY(manager->SetVideoFile(port, clipA));
        QVERIFY(manager->StartVideoPlay(port, 0));
        LogLines log("VideoManager");
        const bool set = manager->SetCurPlayPos(port, position);
        QCOMPARE(log.Contains("VideoManager::SetCurPlayPos,输入播放位置无效"), refused);
        if (refused)
            QVERIFY(!set);
    }

    void failingPauseAndResumeSayWhich()
    {
        LogLines log("VideoManager");
        // Nothing is open on the port, so the layer refuses both.
        QVERIFY(!manager->PauseVideoPlay(port, true));
        QVERIFY(log.Contains("VideoManager::PauseVideoPlay,暂停播放失败，错误码："));
        QVERIFY(!manager->PauseVideoPlay(port, false));
        QVERIFY(log.Contains("VideoManager::PauseVideoPlay,恢复播放失败，错误码："));
    }

    void fileEndArrivesOnceOnTheReceiversThread()
    {
        FileEndReceiver receiver;
        QVERIFY(manager->SetVideoFile(port, shortClip));
        manager->SetFileEndCallback(port, &receiver);
        QVERIFY(manager->SetVideoFast(port));
        QVERIFY(manager->StartVideoPlay(port, 0));
        QTRY_COMPARE_WITH_TIMEOUT(receiver.count, 1, 10000);
        QCOMPARE(receiver.lastPort, port);
        QCOMPARE(receiver.thread, QThread::currentThread());
        // Played again, it ends again: one more notice, not a stale one.
        QVERIFY(manager->StopVideoPlay(port));
        QVERIFY(manager->StartVideoPlay(port, 0));
        QTRY_COMPARE_WITH_TIMEOUT(receiver.count, 2, 10000);
    }

    void freedPortIsGone()
    {
        long freed = -1;
        manager->GetMavroPort(freed);
        QVERIFY(manager->SetVideoFile(freed, clipA));
        QTRY_VERIFY_WITH_TIMEOUT(VideoManager::IsIndexReady(freed), 10000);
        const long kept = freed;
        manager->FreeMavroPort(freed);
        QCOMPARE(freed, kept); // the caller's variable is left alone
        QVERIFY(!manager->HasVideoFile(freed));
        QVERIFY(!VideoManager::IsIndexReady(freed));
        QVERIFY(!Mavro_Stop(freed));
        QCOMPARE(Mavro_GetLastError(freed), unsigned(MAVRO_ERR_INVALID_PORT));
    }
};

QTEST_MAIN(TestVideoManager)
#include "test_video_manager.moc"
