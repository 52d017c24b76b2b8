// Drawing into widgets, on whichever Qt platform the test runs: offscreen
// checks what reaches the widget, X11 checks the pixels on the screen too.

#include "TestClip.h"
#include "VendaroTestSupport.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QRandomGenerator>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

int g_argc = 1;
char g_name[] = "vendaro_widget_test";
char* g_argv[] = {g_name, nullptr};

class ClickCountingWidget : public QWidget
{
public:
    int presses = 0;
    int doubleClicks = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void mouseDoubleClickEvent(QMouseEvent*) override { ++doubleClicks; }
};

class VendaroWidgetTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!s_app)
            s_app = new QApplication(g_argc, g_argv);
        s_clip = new TestClip(TestClip::Codec::H264, TestClip::Container::TransportStream, 4, "clip.mp4");
    }
    // The application stays until the process ends: the platform plugins
    // keep screens that outlive a deleted QApplication.
    static void TearDownTestSuite()
    {
        delete s_clip;
        s_clip = nullptr;
    }

    void SetUp() override
    {
        ASSERT_FALSE(s_clip->path().isEmpty());
        m_widget = new ClickCountingWidget;
        // Apart from other tests' windows on a shared X server, most of the time.
        m_widget->setGeometry(QRandomGenerator::global()->bounded(1200), QRandomGenerator::global()->bounded(600), 320,
                              240);
        m_widget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_widget));
        ASSERT_TRUE(Mavro_GetPort(&m_port));
        ASSERT_TRUE(Mavro_OpenFile(m_port, s_clip->path().toLocal8Bit().constData()));
    }
    void TearDown() override
    {
        Mavro_FreePort(m_port);
        delete m_widget.data();
    }

    // Runs the GUI event loop while waiting, as the client's GUI thread would.
    static bool waitWithEvents(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 30000); }

    bool waitForShownFrames(unsigned int more)
    {
        const unsigned int target = Mavro_GetShownFrameCount(m_port) + more;
        return waitWithEvents([&] { return Mavro_GetShownFrameCount(m_port) >= target; });
    }

    // Feeds the whole clip as a live stream and waits for its decoding while
    // this GUI thread runs no events, as a busy one would.
    void decodeTheClipAsAStreamWithoutEvents()
    {
        ASSERT_TRUE(Mavro_CloseFile(m_port));
        const std::vector<uint8_t> header(40, 1);
        MAVRO_SESSION_INFO info{MAVRO_SESSION_HEADER, int32_t(header.size()), header.data()};
        ASSERT_TRUE(Mavro_OpenStreamAdvanced(m_port, 1, &info, 6291456));
        ASSERT_TRUE(Mavro_Play(m_port, m_widget->winId()));
        const auto bytes = s_clip->bytes();
        for (size_t offset = 0; offset < bytes.size(); offset += 1316)
            ASSERT_TRUE(
                feedBlock(m_port, std::vector<uint8_t>(bytes.begin() + long(offset),
                                                       bytes.begin() + long(std::min(bytes.size(), offset + 1316)))));
        // A live demuxer holds the last picture until the next one starts.
        const unsigned int frames = unsigned(s_clip->frameCount());
        ASSERT_TRUE(WaitUntil([&] { return Mavro_GetDecodedFrameCount(m_port) >= frames - 1; }));
    }

    static int distinctColours(const QImage& image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y) & 0xf0f0f0); // ignore coding noise
        return colours.size();
    }

    static QApplication* s_app;
    static TestClip* s_clip;
    QPointer<ClickCountingWidget> m_widget;
    long m_port = -1;
};

QApplication* VendaroWidgetTest::s_app = nullptr;
TestClip* VendaroWidgetTest::s_clip = nullptr;

TEST_F(VendaroWidgetTest, FramesReachTheWidgetAndShowTheTestPattern)
{
    ASSERT_TRUE(Mavro_Play(m_port, m_widget->winId()));
    ASSERT_TRUE(waitForShownFrames(5));
    EXPECT_GT(distinctColours(m_widget->grab().toImage()), 50);
    if (QGuiApplication::platformName() == "xcb") {
        // What the X server shows, not only what Qt would paint. Other tests'
        // windows on the same server may cover ours for a moment.
        EXPECT_TRUE(waitWithEvents([this] {
            m_widget->raise();
            return distinctColours(m_widget->screen()->grabWindow(m_widget->winId()).toImage()) > 50;
        }));
    }
}

TEST_F(VendaroWidgetTest, MouseEventsStillReachTheWidget)
{
    ASSERT_TRUE(Mavro_Play(m_port, m_widget->winId()));
    ASSERT_TRUE(waitForShownFrames(1));
    QTest::mouseClick(m_widget, Qt::LeftButton);
    QTest::mouseDClick(m_widget, Qt::LeftButton);
    EXPECT_GE(m_widget->presses, 1);
    EXPECT_EQ(m_widget->doubleClicks, 1);
}

TEST_F(VendaroWidgetTest, DrawingFollowsResizeAndARecreatedNativeWindow)
{
    ASSERT_TRUE(Mavro_Play(m_port, m_widget->winId()));
    ASSERT_TRUE(waitForShownFrames(1));
    m_widget->resize(480, 360);
    ASSERT_TRUE(waitForShownFrames(3));
    const QImage bigger = m_widget->grab().toImage();
    EXPECT_GT(distinctColours(bigger.copy(240, 180, 240, 180)), 20); // the picture fills the new area
}

TEST_F(VendaroWidgetTest, DrawingFollowsAChildThatBecomesAWindowOfItsOwn)
{
    // The pane's video frame goes full screen this way; the native window may
    // be re-created or re-parented, and drawing must go on either way.
    QWidget parent;
    parent.resize(400, 300);
    auto* child = new QWidget(&parent);
    child->setGeometry(10, 10, 320, 240);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    const WId before = child->winId();
    ASSERT_TRUE(Mavro_Play(m_port, before));
    ASSERT_TRUE(waitForShownFrames(1));

    child->setWindowFlags(Qt::Dialog);
    child->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(child));
    EXPECT_TRUE(waitForShownFrames(3));
    EXPECT_GT(distinctColours(child->grab().toImage()), 50);
}

TEST_F(VendaroWidgetTest, UpdatesSwitchedOffByTheCallerDoNotHideTheVideo)
{
    m_widget->setUpdatesEnabled(false); // the pane does so while a player draws
    ASSERT_TRUE(Mavro_Play(m_port, m_widget->winId()));
    EXPECT_TRUE(waitForShownFrames(3));
}

TEST_F(VendaroWidgetTest, TheWidgetDestroyedWhilePlayingEndsTheDrawingOnly)
{
    ASSERT_TRUE(Mavro_Play(m_port, m_widget->winId()));
    ASSERT_TRUE(waitForShownFrames(1));
    delete m_widget.data();
    const unsigned int decoded = Mavro_GetDecodedFrameCount(m_port);
    EXPECT_TRUE(waitWithEvents([&] { return Mavro_GetDecodedFrameCount(m_port) > decoded + 5; }));
    EXPECT_TRUE(Mavro_Stop(m_port));
}

TEST_F(VendaroWidgetTest, StopHandsThePaintingBackToTheWidget)
{
    ASSERT_TRUE(Mavro_Play(m_port, m_widget->winId()));
    ASSERT_TRUE(waitForShownFrames(1));
    ASSERT_TRUE(Mavro_Stop(m_port));
    QTest::qWait(100);
    const unsigned int shown = Mavro_GetShownFrameCount(m_port);
    m_widget->repaint();
    QTest::qWait(200);
    EXPECT_EQ(Mavro_GetShownFrameCount(m_port), shown);
}

TEST_F(VendaroWidgetTest, AWindowThatIsNoWidgetIsRefusedOnTheGuiThread)
{
    EXPECT_EQ(Mavro_Play(m_port, MAVRO_HWND(0x7fffffff)), 0);
    EXPECT_EQ(Mavro_GetLastError(m_port), unsigned(MAVRO_ERR_INVALID_WINDOW));
}

TEST_F(VendaroWidgetTest, PicturesDecodedWhileTheGuiIsBusyAreDrawnOneEachUpToAFew)
{
    ASSERT_NO_FATAL_FAILURE(decodeTheClipAsAStreamWithoutEvents());
    ASSERT_EQ(Mavro_GetShownFrameCount(m_port), 0u);

    // The newest three get a paint each, the older ones are skipped.
    EXPECT_TRUE(waitWithEvents([&] { return Mavro_GetShownFrameCount(m_port) >= 3; }));
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(Mavro_GetShownFrameCount(m_port), 3u);
}

// Widths the colour conversion does not cover in whole blocks, and odd
// sizes, whose colour planes have half the picture's size, rounded.
class VendaroShrinkTest : public VendaroWidgetTest, public ::testing::WithParamInterface<QSize>
{
protected:
    static std::vector<uint8_t> bytesOf(const QImage& image)
    {
        std::vector<uint8_t> bytes;
        for (int y = 0; y < image.height(); ++y)
            bytes.insert(bytes.end(), image.constScanLine(y), image.constScanLine(y) + image.width() * 4);
        return bytes;
    }
};

TEST_P(VendaroShrinkTest, APictureShrunkForASmallWidgetIsTheDecodedPictureMadeSmallerToItsLastColumn)
{
    const QSize size = GetParam();
    m_widget->resize(size);
    ASSERT_TRUE(waitWithEvents([&] { return m_widget->size() == size; }));
    ASSERT_NO_FATAL_FAILURE(decodeTheClipAsAStreamWithoutEvents());
    ASSERT_TRUE(waitWithEvents([&] { return Mavro_GetShownFrameCount(m_port) >= 3; }));

    // The last picture shown is the last one decoded.
    std::vector<uint8_t> decoded = lastFrame(m_port);
    ASSERT_EQ(decoded.size(), size_t(TestClip::kWidth) * TestClip::kHeight * 4);
    const QImage expected = QImage(decoded.data(), TestClip::kWidth, TestClip::kHeight, QImage::Format_RGB32)
                                .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage shown = m_widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), size);
    EXPECT_LT(TestClip::meanDifference(bytesOf(shown), bytesOf(expected)), 12.0);
    const QRect lastColumns(size.width() - 8, 0, 8, size.height());
    EXPECT_LT(TestClip::meanDifference(bytesOf(shown.copy(lastColumns)), bytesOf(expected.copy(lastColumns))), 12.0);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, VendaroShrinkTest,
    ::testing::Values(QSize(157, 117), QSize(161, 120), QSize(233, 120), QSize(250, 120), QSize(310, 120),
                      QSize(160, 120)),
    [](const ::testing::TestParamInfo<QSize>& info) {
        return QStringLiteral("%1x%2").arg(info.param.width()).arg(info.param.height()).toStdString();
    });

TEST_F(VendaroWidgetTest, AStreamPlayedFromAFeedingThreadReachesTheWidget)
{
    ASSERT_TRUE(Mavro_CloseFile(m_port));
    const std::vector<uint8_t> header(40, 1);
    MAVRO_SESSION_INFO info{MAVRO_SESSION_HEADER, int32_t(header.size()), header.data()};
    ASSERT_TRUE(Mavro_OpenStreamAdvanced(m_port, 1, &info, 6291456));
    const WId window = m_widget->winId();
    // As the RTSP library's thread does: Play and the data come off the GUI thread.
    std::thread feeder([&] {
        Mavro_Play(m_port, window);
        const auto bytes = s_clip->bytes();
        for (size_t offset = 0; offset < bytes.size(); offset += 1316) {
            const std::vector<uint8_t> block(bytes.begin() + long(offset),
                                             bytes.begin() + long(std::min(bytes.size(), offset + 1316)));
            feedBlock(m_port, block);
            std::this_thread::sleep_for(std::chrono::milliseconds(2)); // a live pace, roughly
        }
    });
    EXPECT_TRUE(waitForShownFrames(5));
    feeder.join();
}

} // namespace
