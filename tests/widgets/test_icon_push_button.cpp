#include "QIconPushButton.h"
#include "WidgetTestSupport.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QColor kBands[] = {Qt::red, Qt::green, Qt::blue, Qt::gray};
}

class TestIconPushButton : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A 20 x 80 picture with the four states as bands of 20 rows.
    QString composite()
    {
        QImage image(20, 80, QImage::Format_ARGB32);
        for (int band = 0; band < 4; ++band)
            for (int y = band * 20; y < band * 20 + 20; ++y)
                for (int x = 0; x < 20; ++x)
                    image.setPixelColor(x, y, kBands[band]);
        const QString file = path(QStringLiteral("composite.png"));
        image.save(file);
        return file;
    }

    // Separate pictures; the pressed one is missing.
    QString separate()
    {
        const QString base = path(QStringLiteral("close"));
        const std::pair<const char*, QColor> files[] = {{"", Qt::red}, {"_hover", Qt::green}, {"_disabled", Qt::gray}};
        for (const auto& [suffix, colour] : files) {
            QImage image(24, 16, QImage::Format_ARGB32);
            image.fill(colour);
            image.save(base + QLatin1String(suffix) + QStringLiteral(".png"), "PNG");
        }
        // Named like the library's resources: without extension.
        for (const char* suffix : {"", "_hover", "_disabled"})
            QFile::rename(base + QLatin1String(suffix) + QStringLiteral(".png"), base + QLatin1String(suffix));
        return base;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void compositeBands_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QColor>("shown");
        QTest::newRow("normal") << "normal" << kBands[0];
        QTest::newRow("hover") << "hover" << kBands[1];
        QTest::newRow("pressed") << "pressed" << kBands[2];
        QTest::newRow("disabled") << "disabled" << kBands[3];
    }

    void compositeBands()
    {
        QFETCH(QString, state);
        QFETCH(QColor, shown);
        QIconPushButton button;
        button.setPicComposited(true);
        button.setPicName(composite());
        QCOMPARE(button.size(), QSize(20, 20));
        if (state == QLatin1String("hover"))
            WidgetTestSupport::enter(button);
        else if (state == QLatin1String("pressed"))
            QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        else if (state == QLatin1String("disabled"))
            button.setEnabled(false);
        QCOMPARE(WidgetTestSupport::pixel(button, QPoint(10, 10)), shown);
        QCOMPARE(WidgetTestSupport::pixel(button, QPoint(10, 19)), shown);
    }

    void separatePicturesFallBackToNormal()
    {
        QIconPushButton button;
        button.setPicName(separate());
        QCOMPARE(button.size(), QSize(24, 16));
        WidgetTestSupport::enter(button);
        QCOMPARE(WidgetTestSupport::pixel(button, QPoint(5, 5)), QColor(Qt::green));
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(WidgetTestSupport::pixel(button, QPoint(5, 5)), QColor(Qt::red));
    }

    void clicks_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<int>("clicks");
        QTest::newRow("left inside") << int(Qt::LeftButton) << QPoint(5, 5) << 1;
        QTest::newRow("left, released outside") << int(Qt::LeftButton) << QPoint(50, 5) << 0;
        QTest::newRow("right inside") << int(Qt::RightButton) << QPoint(5, 5) << 0;
    }

    void clicks()
    {
        QFETCH(int, button);
        QFETCH(QPoint, release);
        QFETCH(int, clicks);
        QIconPushButton icon;
        icon.setPicName(separate());
        QSignalSpy clicked(&icon, &QAbstractButton::clicked);
        QTest::mousePress(&icon, Qt::MouseButton(button), {}, QPoint(5, 5));
        QTest::mouseRelease(&icon, Qt::MouseButton(button), {}, release);
        QCOMPARE(clicked.count(), clicks);
        if (clicks) {
            QCOMPARE(clicked.at(0).at(0).toBool(), false);
            QCOMPARE(WidgetTestSupport::pixel(icon, QPoint(5, 5)), QColor(Qt::green)); // hover look
        }
    }

    void spaceKeyClicks()
    {
        QIconPushButton button;
        button.setPicName(separate());
        button.setFocusPolicy(Qt::StrongFocus);
        QSignalSpy clicked(&button, &QAbstractButton::clicked);
        QTest::keyClick(&button, Qt::Key_Space);
        QCOMPARE(clicked.count(), 1);
        QTest::keyClick(&button, Qt::Key_A);
        QCOMPARE(clicked.count(), 1);
    }

    void sizes()
    {
        QIconPushButton empty;
        QCOMPARE(WidgetTestSupport::sizeHintOf(empty), QSize(24, 24));
        QCOMPARE(empty.cursor().shape(), Qt::PointingHandCursor);

        QIconPushButton missing;
        missing.setPicName(path(QStringLiteral("no-such-picture")));
        QCOMPARE(missing.size(), QSize(0, 0));
        QCOMPARE(WidgetTestSupport::sizeHintOf(missing), QSize(24, 24));

        QIconPushButton toggled;
        toggled.setPicName(composite());
        QCOMPARE(toggled.size(), QSize(20, 80));
        toggled.setPicComposited(true);
        QCOMPARE(toggled.size(), QSize(20, 20));
        QCOMPARE(WidgetTestSupport::sizeHintOf(toggled), QSize(20, 80)); // the whole picture, as stored
        toggled.resize(30, 30);
        toggled.setPicName(toggled.picName()); // unchanged name: no reload, no resize
        QCOMPARE(toggled.size(), QSize(20, 20));
    }

    void libraryPicturesAreServed()
    {
        for (const char* name : {":/images/Calendar/calendar", ":/images/Calendar/yp", ":/images/Calendar/mp",
                                 ":/images/Calendar/mn", ":/images/Calendar/yn"}) {
            QIconPushButton button;
            button.setPicName(QString::fromLatin1(name));
            QVERIFY2(!button.size().isEmpty() && button.width() <= 24 && button.height() <= 24, name);
        }
        QIconPushButton close;
        close.setPicComposited(true);
        close.setPicName(QStringLiteral(":/images/close"));
        QCOMPARE(close.size(), QSize(16, 16));
    }
};

QTEST_MAIN(TestIconPushButton)
#include "test_icon_push_button.moc"
