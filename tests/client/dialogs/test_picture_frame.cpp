#include "dialogs/QFloatPictureFrame.h"
#include "dialogs/QPayPictureFrame.h"
#include "dialogs/QPictureFrame.h"
#include "DialogTestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using namespace DialogTestSupport;

namespace {

QImage testPicture(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(40, 120, 200));
    painter.fillRect(QRect(0, 0, size.width() / 2, size.height() / 2), QColor(230, 60, 40));
    return image;
}

QByteArray jpegBytes(const QSize& size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.write(testPicture(size));
    return bytes;
}

// A JPEG whose frame header declares `declared` while its data is that of a small picture.
QByteArray jpegDeclaring(const QSize& declared)
{
    QByteArray bytes = jpegBytes(QSize(16, 16));
    const int sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof < 0)
        return {};
    // Marker, length (2), precision (1), then height and width, big-endian.
    bytes[sof + 5] = char(declared.height() >> 8);
    bytes[sof + 6] = char(declared.height() & 0xFF);
    bytes[sof + 7] = char(declared.width() >> 8);
    bytes[sof + 8] = char(declared.width() & 0xFF);
    return bytes;
}

// A pointer move without a button, as mouse tracking delivers it.
void moveOver(QWidget& widget, const QPoint& at)
{
    sendMouse(&widget, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, at);
}

} // namespace

class TestPictureFrame : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return path;
    }

private slots:
    void files_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("shown");
        const QByteArray good = jpegBytes(QSize(640, 360));
        QTest::newRow("good JPEG") << write("good.jpg", good) << QSize(640, 360);
        QTest::newRow("1x1 JPEG") << write("one.jpg", jpegBytes(QSize(1, 1))) << QSize(1, 1);
        QTest::newRow("good JPEG with padding after its end")
            << write("padded.jpg", good + QByteArray(3, '\0')) << QSize(640, 360);
        QTest::newRow("truncated JPEG") << write("cut.jpg", good.left(good.size() / 2)) << QSize();
        QTest::newRow("JPEG cut after its header") << write("header.jpg", good.left(400)) << QSize();
        QTest::newRow("empty file") << write("empty.jpg", QByteArray()) << QSize();
        QTest::newRow("not a picture") << write("notes.jpg", QByteArray("plate: 京A12345\n").repeated(20)) << QSize();
        QTest::newRow("30000 x 30000 header") << write("huge.jpg", jpegDeclaring(QSize(30000, 30000))) << QSize();
        QTest::newRow("missing file") << m_dir.filePath("missing.jpg") << QSize();
    }
    void files()
    {
        QFETCH(QString, path);
        QFETCH(QSize, shown);
        QVERIFY(!path.isEmpty());
        QPictureFrame frame;
        frame.resize(320, 180);
        frame.show();
        QSignalSpy pathClicks(&frame, &QPictureFrame::doubleClickedPath);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(frame.setImage(path, false), 0);
        // Refusing by the declared size decodes nothing: no time, no memory.
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(frame.hasImage(), shown.isValid());
        QCOMPARE(frame.getPath(), path);
        if (shown.isValid()) {
            QCOMPARE(frame.zoomCopy(frame.rect()).size(), shown);
            // Stretched over the whole frame (keep aspect is off).
            const QImage grab = frame.grab().toImage();
            QVERIFY(grab.pixelColor(5, 5) != frame.palette().color(QPalette::Window));
        }
        QTest::mouseDClick(&frame, Qt::LeftButton);
        QCOMPARE(pathClicks.count(), 1);
        QCOMPARE(pathClicks.at(0).at(0).toString(), path);
        frame.grab();
    }

    void samePathDoesNotReload()
    {
        const QString path = write("same.jpg", jpegBytes(QSize(64, 48)));
        QPictureFrame frame;
        frame.resize(64, 48);
        frame.setImage(path, false);
        QVERIFY(frame.hasImage());
        QVERIFY(QFile::remove(path));
        frame.setImage(path, false);
        QVERIFY(frame.hasImage());
    }

    void clearedFrameDoubleClickGivesNoPath()
    {
        QPictureFrame frame;
        frame.resize(100, 100);
        frame.setImage(write("c.jpg", jpegBytes(QSize(50, 50))), false);
        frame.clearImage();
        QVERIFY(!frame.hasImage());
        QSignalSpy clicks(&frame, &QPictureFrame::doubleClicked);
        QSignalSpy pathClicks(&frame, &QPictureFrame::doubleClickedPath);
        QTest::mouseDClick(&frame, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(pathClicks.count(), 0);
    }

    void fixSizeTakesThePicturesSize()
    {
        QPictureFrame frame;
        frame.setImage(write("fix.jpg", jpegBytes(QSize(120, 90))), true);
        QCOMPARE(frame.minimumSize(), QSize(120, 90));
        QCOMPARE(frame.maximumWidth(), 120);
    }

    void magnifierShowsTheFullPictureAroundThePointer()
    {
        QPictureFrame frame;
        frame.resize(480, 270);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(frame.setPixmap(QPixmap::fromImage(testPicture(QSize(1920, 1080))), false) == 0);
        QCOMPARE(frame.getPath(), QStringLiteral("pic"));
        moveOver(frame, QPoint(240, 135));
        const QFloatPictureFrame* magnifier = frame.magnifier();
        QTRY_VERIFY(magnifier->isVisible());
        // The frame is lower than 300: the magnifier is half its height.
        QCOMPARE(magnifier->area(), QSize(200, 135));
        QCOMPARE(magnifier->source(), QPoint(960 - 100, 540 - 67));
        QCOMPARE(magnifier->geometry(), QRect(240 - 100, 135 - 67, 200, 135));

        frame.disableMagnifier();
        QVERIFY(!magnifier->isVisible());
        moveOver(frame, QPoint(100, 100));
        QVERIFY(!magnifier->isVisible());
        frame.enableMagnifier();
        moveOver(frame, QPoint(101, 100));
        QVERIFY(magnifier->isVisible());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&frame, &leave);
        QVERIFY(!magnifier->isVisible());
    }

    void pointerOffTheKeptAspectPictureHidesTheMagnifier()
    {
        QPictureFrame frame;
        frame.setKeepAspectRatio(true);
        frame.resize(400, 400);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.setPixmap(QPixmap::fromImage(testPicture(QSize(800, 400))), false);
        // Displayed 400 x 200, centred: rows 100 to 300.
        moveOver(frame, QPoint(200, 200));
        QVERIFY(frame.magnifier()->isVisible());
        moveOver(frame, QPoint(200, 50));
        QVERIFY(!frame.magnifier()->isVisible());
    }

    void detachedMagnifierStandsBesideTheFrame_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<QPoint>("offset");
        QTest::newRow("left") << int(QPictureFrame::Left) << QPoint(-10 - 150, 0);
        QTest::newRow("below") << int(QPictureFrame::Below) << QPoint(0, 200 + 10);
        QTest::newRow("right") << int(QPictureFrame::Right) << QPoint(300 + 10, 0);
        QTest::newRow("above") << int(QPictureFrame::Above) << QPoint(0, -10 - 120);
    }
    void detachedMagnifierStandsBesideTheFrame()
    {
        QFETCH(int, side);
        QFETCH(QPoint, offset);
        QPictureFrame frame;
        frame.move(400, 400);
        frame.resize(300, 200);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.setPixmap(QPixmap::fromImage(testPicture(QSize(600, 400))), false);
        frame.detachMagnifier(QPictureFrame::MagnifierSide(side), 150, 120);
        moveOver(frame, QPoint(150, 100));
        QVERIFY(frame.magnifier()->isVisible());
        QVERIFY(frame.magnifier()->isWindow());
        QCOMPARE(frame.magnifier()->size(), QSize(150, 120));
        QCOMPARE(frame.magnifier()->pos(), frame.mapToGlobal(QPoint(0, 0)) + offset);
        frame.attachMagnifier();
        QVERIFY(!frame.magnifier()->isWindow());
    }

    void payFrameStretchesAndReportsDoubleClicks()
    {
        QPayPictureFrame frame;
        frame.resize(200, 100);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.setPixmap(QPixmap::fromImage(testPicture(QSize(20, 20))), false);
        const QImage shown = frame.grab().toImage();
        QCOMPARE(shown.pixelColor(10, 10), QColor(230, 60, 40));
        QCOMPARE(shown.pixelColor(190, 90), QColor(40, 120, 200));
        QSignalSpy clicks(&frame, &QPayPictureFrame::doubleClicked);
        QTest::mouseDClick(&frame, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        moveOver(frame, QPoint(50, 50));
        QCOMPARE(frame.cursor().shape(), Qt::PointingHandCursor);
        frame.clearImage();
        QVERIFY(frame.grab().toImage().pixelColor(10, 10) != QColor(230, 60, 40));
    }
};

QTEST_MAIN(TestPictureFrame)
#include "test_picture_frame.moc"
