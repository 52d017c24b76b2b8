// Screens with two pixels per point (run with QT_SCALE_FACTOR=2): every picture
// of the library has a drawing at twice the size, and widgets paint that one
// pixel for pixel instead of scaling the small one up.
#include "QIconPushButton.h"
#include "ScaledPicture.h"

#include <QDirIterator>
#include <QPainter>
#include <QtTest>

namespace {

// Largest difference of one channel over the two images, which have the same size.
int largestDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            largest = std::max(
                {largest, std::abs(p.red() - q.red()), std::abs(p.green() - q.green()), std::abs(p.blue() - q.blue())});
        }
    }
    return largest;
}

// `picture` (device pixels) laid over `background`, as a widget shows it one to one.
QImage over(const QColor& background, const QImage& picture)
{
    QImage image(picture.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    painter.drawImage(0, 0, picture);
    return image;
}

} // namespace

class TestScaledPictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qApp->devicePixelRatio(), 2.0); }

    void everyPictureHasADoubleSizeDrawing()
    {
        int pictures = 0;
        QDirIterator it(QStringLiteral(":/images"), {QStringLiteral("*.png")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.contains(QLatin1String("@2x")))
                continue;
            ++pictures;
            const QString large = path.left(path.size() - 4) + QStringLiteral("@2x.png");
            const QImage small(path);
            const QImage twice(large);
            QVERIFY2(!twice.isNull(), qPrintable(large));
            QCOMPARE(twice.size(), small.size() * 2);
        }
        QVERIFY(pictures >= 30);
    }

    void loadsTheDrawingForTheRatio_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QSize>("points");
        QTest::newRow("with extension, ratio 2") << ":/images/correct.png" << 2.0 << QSize(28, 28) << QSize(14, 14);
        QTest::newRow("without extension, ratio 2")
            << ":/images/Calendar/calendar" << 2.0 << QSize(40, 40) << QSize(20, 20);
        QTest::newRow("ratio 1") << ":/images/correct.png" << 1.0 << QSize(14, 14) << QSize(14, 14);
        QTest::newRow("ratio 1.5 takes the sharper one")
            << ":/images/wrong.png" << 1.5 << QSize(28, 28) << QSize(14, 14);
    }

    void loadsTheDrawingForTheRatio()
    {
        QFETCH(QString, path);
        QFETCH(qreal, ratio);
        QFETCH(QSize, pixels);
        QFETCH(QSize, points);
        const QPixmap picture = ScaledPicture::load(path, ratio);
        QCOMPARE(picture.size(), pixels);
        QCOMPARE(ScaledPicture::logicalSize(picture), points);
    }

    // A picture found only at one size is still shown, scaled by the painter.
    void missingDoubleSizeFallsBackToThePlainPicture()
    {
        QTemporaryDir dir;
        QImage plain(10, 10, QImage::Format_ARGB32);
        plain.fill(Qt::red);
        QVERIFY(plain.save(dir.filePath(QStringLiteral("only.png"))));
        const QPixmap picture = ScaledPicture::load(dir.filePath(QStringLiteral("only.png")), 2.0);
        QCOMPARE(picture.size(), QSize(10, 10));
        QCOMPARE(picture.devicePixelRatioF(), 1.0);
    }

    // A button whose picture is not named yet (as forms set its properties
    // in any order) has no size rather than an undefined one.
    void missingPictureHasNoSize()
    {
        const QPixmap missing = ScaledPicture::load(QString(), 2.0);
        QVERIFY(missing.isNull());
        QCOMPARE(ScaledPicture::logicalSize(missing), QSize(0, 0));
        QCOMPARE(ScaledPicture::logicalSize(QPixmap()), QSize(0, 0));
    }

    void iconButtonPaintsPixelForPixel_data()
    {
        QTest::addColumn<QString>("picName");
        QTest::addColumn<bool>("composite");
        QTest::addColumn<QString>("large");
        QTest::addColumn<QSize>("points");
        QTest::newRow("state pictures") << ":/images/Calendar/calendar" << false << ":/images/Calendar/calendar@2x.png"
                                        << QSize(20, 20);
        QTest::newRow("composite picture") << ":/images/close.png" << true << ":/images/close@2x.png" << QSize(16, 16);
    }

    void iconButtonPaintsPixelForPixel()
    {
        QFETCH(QString, picName);
        QFETCH(bool, composite);
        QFETCH(QString, large);
        QFETCH(QSize, points);
        QWidget host;
        auto* button = new QIconPushButton(&host);
        button->setPicComposited(composite);
        button->setPicName(picName);
        host.resize(60, 60);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(button->size(), points);
        const QImage shown = button->grab().toImage();
        QCOMPARE(shown.size(), points * 2);
        QImage expected(large);
        expected.setDevicePixelRatio(1); // compared pixel by pixel
        if (composite)
            expected = expected.copy(0, 0, expected.width(), expected.height() / 4);
        // The pictures leave their top-left pixel empty: there the background shows.
        const QColor background = shown.pixelColor(0, 0);
        const QImage reference = over(background, expected);
        const int difference = largestDifference(reference, shown.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        QVERIFY2(difference <= 2, qPrintable(QString::number(difference)));
    }
};

QTEST_MAIN(TestScaledPictures)
#include "test_scaled_pictures.moc"
