// The picture and clip preview beside the search page's result tables, on an
// X server with clips made by ffmpeg: a record with picture and clip, a
// missing picture, a missing clip, a clip of no length and one that does not
// open; the loop, the double-click into the playback dialog and back, and
// screenshots of the page with a preview in both languages.

#include "PageTestSupport.h"
#include "LogLines.h"
#include "PlaybackTestSupport.h"

#include "search/SearchFrame.h"
#include "search/VideoDetailInfoDialog.h"
#include "search/VideoManager.h"

#include "core/IncidentVocabulary.h"
#include "dialogs/QPictureFrame.h"

#include "Vendaro.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTranslator>
#include <QtTest>

#include <memory>

using namespace PageTestSupport;

class TestSearchPreview : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString picture;
    QString clip;      // 3 s
    QString otherClip; // 5 s
    QString noLength;  // under a second: no whole second to loop
    QString broken;
    std::unique_ptr<SearchFrame> page;

    template <class T>
    T* Child(const char* name) const
    {
        T* child = page->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no child %s", name);
        return child;
    }
    QWidget* ClipFrame() const { return Child<QWidget>("frameVideo"); }
    // Whether the page shows the detail label (its tab may be behind another).
    bool Shows(const char* label) const
    {
        const QWidget* details = Child<QWidget>(QByteArray(label).startsWith("labelViolation") ? "frameViolationDetail"
                                                                                               : "frameIncidentDetail");
        const QLabel* child = details->findChild<QLabel*>(QLatin1String(label));
        if (!child)
            qFatal("no detail label %s", label);
        return !child->isHidden();
    }
    long PreviewPort() const { return page->PreviewPort(); }
    QString PreviewFile() const
    {
        long port = PreviewPort();
        return VideoManager::GetInstance()->GetVideoFile(port);
    }
    void Select(int row) { Child<QTableWidget>("tableWidgetIncident")->setCurrentCell(row, 0); }

    QList<TrafficIncident> Records() const
    {
        const QString missing = folder.filePath(QStringLiteral("missing"));
        const std::pair<QString, QString> files[] = {
            {picture, clip},     {missing + ".jpeg", clip}, {picture, missing + ".mp4"},
            {picture, noLength}, {picture, broken},         {picture, otherClip}};
        QList<TrafficIncident> records;
        int rowNo = 0;
        for (const auto& [pic, video] : files) {
            TrafficIncident incident;
            incident.rowNo = ++rowNo;
            incident.time = QStringLiteral("2026120108%1").arg(rowNo, 2, 10, QLatin1Char('0')) + "00";
            incident.incidentType = rowNo == 1 ? Fire : Congestion;
            incident.deviceIp = QStringLiteral("10.0.0.1");
            incident.channelIp = QStringLiteral("10.0.0.11");
            incident.laneNo = 2;
            incident.picPath = pic;
            incident.videoPath = video;
            records << incident;
        }
        return records;
    }

private slots:
    void initTestCase()
    {
        picture = folder.filePath(QStringLiteral("incident.jpeg"));
        QImage image(640, 360, QImage::Format_RGB32);
        image.fill(QColor(40, 110, 170));
        QVERIFY(image.save(picture, "JPEG"));
        clip = folder.filePath(QStringLiteral("clip.mp4"));
        otherClip = folder.filePath(QStringLiteral("other.mp4"));
        noLength = folder.filePath(QStringLiteral("no-length.mp4"));
        broken = folder.filePath(QStringLiteral("broken.mp4"));
        QVERIFY(PlaybackTestSupport::MakeClip(clip, 3, QStringLiteral("mpegts")));
        QVERIFY(PlaybackTestSupport::MakeClip(otherClip, 5, QStringLiteral("mp4")));
        QVERIFY(PlaybackTestSupport::MakeClip(noLength, 0.4, QStringLiteral("mpegts")));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
        file.close();
        QVERIFY(ApplyStyleSheet());
    }

    void init()
    {
        page = std::make_unique<SearchFrame>();
        page->resize(1351, 869);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        QVERIFY(PreviewPort() >= 0);
        page->ShowIncidentInfo(Records(), 6, 1, true);
    }

    void cleanup() { page.reset(); }

    void recordWithPictureAndClipLoops()
    {
        // Filling the table selected the first row.
        QCOMPARE(Child<QLabel>("labelIndex")->text(), QStringLiteral("序号：1"));
        QVERIFY(Child<QPictureFrame>("framePic")->hasImage());
        QVERIFY(!Shows("labelPic"));
        QVERIFY(!Shows("labelTip"));
        QCOMPARE(ClipFrame()->property("play").toBool(), true);
        QCOMPARE(ClipFrame()->property("time").toInt(), 3);
        QVERIFY(!Shows("labelVideo"));
        QVERIFY(!Shows("labelVideoTip"));
        QCOMPARE(PreviewFile(), clip);
        QVERIFY(page->PreviewTimer().isActive());
        QCOMPARE(page->PreviewTimer().interval(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(Mavro_GetShownFrameCount(PreviewPort()) > 0, 10000);
        // At the end of a pass the clip starts again and the timer is armed again.
        QSignalSpy passes(&page->PreviewTimer(), &QTimer::timeout);
        QVERIFY(passes.wait(6000));
        QVERIFY(page->PreviewTimer().isActive());
        QCOMPARE(page->PreviewTimer().interval(), 3000);
        long port = PreviewPort();
        QTRY_VERIFY_WITH_TIMEOUT(VideoManager::GetInstance()->GetPlayedTime(port) == 0, 3000);
        // Another row's clip replaces it.
        Select(5);
        QCOMPARE(PreviewFile(), otherClip);
        QCOMPARE(page->PreviewTimer().interval(), 5000);
    }

    void missingPictureShowsItsPlaceholder()
    {
        LogLines log("SearchFrame", "%l %v");
        Select(1);
        QCOMPARE(Child<QLabel>("labelIndex")->text(), QStringLiteral("序号：2"));
        QVERIFY(Shows("labelPic"));
        QVERIFY(Shows("labelTip"));
        QVERIFY(!Child<QPictureFrame>("framePic")->hasImage());
        QVERIFY(log.Contains("missing.jpeg 图片不存在"));
        QVERIFY(log.Contains("error SearchFrame::on_tableWidgetIncident_itemSelectionChanged"));
        Select(0);
        QVERIFY(!Shows("labelPic"));
        QVERIFY(log.Contains("incident.jpeg 图片存在"));
        // Finding the picture is no error.
        QCOMPARE(log.Count("error SearchFrame::on_tableWidgetIncident_itemSelectionChanged"), 1);
        QCOMPARE(log.Count("info SearchFrame::on_tableWidgetIncident_itemSelectionChanged"), 1);
    }

    // No clip to loop: the placeholder shows, the previous clip is unloaded and
    // no timer runs, whatever the reason.
    void rowsWithoutAClipToLoop_data()
    {
        QTest::addColumn<int>("row");
        QTest::newRow("missing clip") << 2;
        QTest::newRow("clip of no whole second") << 3;
        QTest::newRow("clip that does not open") << 4;
    }

    void rowsWithoutAClipToLoop()
    {
        QFETCH(int, row);
        QCOMPARE(PreviewFile(), clip);
        QSignalSpy passes(&page->PreviewTimer(), &QTimer::timeout);
        Select(row);
        QCOMPARE(ClipFrame()->property("play").toBool(), false);
        QCOMPARE(ClipFrame()->property("time").toInt(), 0);
        QVERIFY(Shows("labelVideo"));
        QVERIFY(Shows("labelVideoTip"));
        QCOMPARE(PreviewFile(), QString());
        QVERIFY(!page->PreviewTimer().isActive());
        QCoreApplication::processEvents();
        QCOMPARE(passes.count(), 0);
        // Double-clicking the placeholder opens nothing.
        DoubleClick(ClipFrame());
        QVERIFY(!page->DetailDialog()->isVisible());
        // A row with a clip brings the preview back.
        Select(0);
        QCOMPARE(ClipFrame()->property("play").toBool(), true);
        QVERIFY(!Shows("labelVideo"));
    }

    void doubleClickPlaysTheClipInTheDialogAndResumes()
    {
        QTRY_VERIFY_WITH_TIMEOUT(Mavro_GetShownFrameCount(PreviewPort()) > 0, 10000);
        VideoDetailInfoDialog* dialog = page->DetailDialog();
        QString dialogFile;
        bool previewTimerStopped = false;
        bool dialogPlaying = false;
        // The dialog runs modally inside the double-click; look at it from its own loop.
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            if (!dialog->isVisible())
                return;
            look.stop();
            long port = dialog->Port();
            dialogFile = VideoManager::GetInstance()->GetVideoFile(port);
            previewTimerStopped = !page->PreviewTimer().isActive();
            dialogPlaying = dialog->DisplayTimer().isActive();
            QTest::mouseClick(dialog->findChild<QToolButton*>(QStringLiteral("toolButton_close")), Qt::LeftButton);
        });
        look.start(20);
        DoubleClick(ClipFrame());
        QCOMPARE(dialogFile, clip);
        QVERIFY(previewTimerStopped);
        QVERIFY(dialogPlaying);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->Port(), -1L);
        // Back from the dialog: the preview resumes for the seconds left.
        QVERIFY(page->PreviewTimer().isActive());
        QVERIFY(page->PreviewTimer().interval() > 0);
        QVERIFY(page->PreviewTimer().interval() <= 3000);
        QCOMPARE(PreviewFile(), clip);
        const unsigned shown = Mavro_GetShownFrameCount(PreviewPort());
        QTRY_VERIFY_WITH_TIMEOUT(Mavro_GetShownFrameCount(PreviewPort()) > shown, 5000);
    }

    void violationPicture()
    {
        QList<TrafficForensics> records;
        for (const QString& pic : {picture, folder.filePath(QStringLiteral("gone.jpeg"))}) {
            TrafficForensics record;
            record.rowNo = records.size() + 1;
            record.time = QStringLiteral("20261201080000");
            record.violationType = 1039;
            record.picPath = pic;
            record.plateNo = QStringLiteral("A12345");
            records << record;
        }
        page->ShowForensicsInfo(records, 2, 1, true);
        QVERIFY(Child<QPictureFrame>("frameViolationPic")->hasImage());
        QVERIFY(!Shows("labelViolationPic"));
        Child<QTableWidget>("tableWidgetViolation")->setCurrentCell(1, 0);
        QVERIFY(Shows("labelViolationPic"));
        QVERIFY(Shows("labelViolationTip"));
        QCOMPARE(Child<QLabel>("labelViolationIndex")->text(), QStringLiteral("序号：2"));
    }

    void screenshots_data() { AddLanguageRows(); }

    void screenshots()
    {
        QFETCH(QString, language);
        const Language translation(language);
        QVERIFY(translation.Loaded());
        page->reTranslateUI();
        const QString title = language == QLatin1String("en") ? QStringLiteral("Playback") : QStringLiteral("录像查看");
        QCOMPARE(page->DetailDialog()->findChild<QLabel*>(QStringLiteral("labelVideoDetailDlgName"))->text(), title);
        page->ShowIncidentInfo(Records(), 6, 1, true);
        QTRY_VERIFY_WITH_TIMEOUT(Mavro_GetShownFrameCount(PreviewPort()) > 5, 10000);
        const QDir out = ScreenshotFolder();
        QVERIFY(page->grab().save(out.filePath(QStringLiteral("search-preview-%1.png").arg(language))));
        Select(2); // and a record without its clip
        QVERIFY(page->grab().save(out.filePath(QStringLiteral("search-preview-no-clip-%1.png").arg(language))));
    }
};

QTEST_MAIN(TestSearchPreview)
#include "test_search_preview.moc"
