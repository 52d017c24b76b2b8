// Live video from the simulator's cameras through TSR_RealPlay.

#include "SdkFixture.h"
#include "StreamCollector.h"
#include "WireRecords.h"

#include <QApplication>
#include <QFile>
#include <QSet>
#include <QWidget>
#include <QProcess>
#include <QTemporaryDir>

#include <thread>

using namespace std::chrono;

namespace {

class RealPlayTest : public SdkFixture
{
protected:
    int32_t play(int32_t loginId, StreamCollector* collector, TSR_HWND window = 0, int32_t channel = 1)
    {
        TSR_PREVIEWINFO preview{};
        preview.lChannel = channel;
        preview.hPlayWnd = window;
        return TSR_RealPlay(loginId, &preview, collector ? StreamCollector::callback : nullptr, collector);
    }
    // Logs into the first camera and plays it; -1 when either fails.
    int32_t playCamera(StreamCollector* collector, TSR_HWND window = 0)
    {
        int32_t loginId = loginCamera();
        EXPECT_GE(loginId, 0) << TSR_GetErrorMsg(nullptr);
        int32_t handle = loginId < 0 ? -1 : play(loginId, collector, window);
        EXPECT_GE(handle, 0) << TSR_GetErrorMsg(nullptr);
        return handle;
    }
    // Nothing more reaches the collector once its play is stopped.
    static void expectNoMoreBlocks(StreamCollector& collector)
    {
        int after = collector.count;
        std::this_thread::sleep_for(milliseconds(600));
        EXPECT_EQ(collector.count, after);
    }
};

// ffprobe's view of a stream: codec and frame count.
QString probe(const QString& path)
{
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                              "stream=codec_name,nb_read_frames", "-of", "csv=p=0", path});
    ffprobe.waitForFinished(60000);
    // The stream is listed once per program and once on its own; the lines agree.
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).section('\n', 0, 0).trimmed();
}

TEST_F(RealPlayTest, DeliversHeaderFirstThenDataInOrderThatPlays)
{
    StreamCollector collector;
    int32_t handle = playCamera(&collector);
    ASSERT_GE(handle, 0);
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return collector.countOf(TSR_DATA_STREAM) >= 30; })); // a picture a block: over a second
    ASSERT_TRUE(TSR_StopRealPlay(handle));

    auto blocks = collector.snapshot();
    ASSERT_EQ(blocks[0].type, uint32_t(TSR_DATA_STREAM_HEADER));
    tessoran::wire::StreamInfo info;
    ASSERT_TRUE(tessoran::wire::parseStreamHeader(blocks[0].bytes.data(), blocks[0].bytes.size(), info));
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 360);
    QTemporaryDir dir;
    QFile file(dir.filePath("live.ts"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (i > 0) {
            EXPECT_EQ(blocks[i].type, uint32_t(TSR_DATA_STREAM)) << i;
        }
        ASSERT_EQ(blocks[i].bytes.size() % 188, 0u);
        EXPECT_EQ(blocks[i].bytes[0], 0x47);
        file.write(reinterpret_cast<const char*>(blocks[i].bytes.data()), static_cast<qint64>(blocks[i].bytes.size()));
    }
    file.close();
    // Header block included, as recordings keep it: the file still plays.
    QStringList fields = probe(file.fileName()).split(',');
    ASSERT_EQ(fields.size(), 2);
    EXPECT_EQ(fields[0], "h264");
    EXPECT_GE(fields[1].toInt(), 25);
}

// As continuous recording starts: channel 0, no callback, the callback set after.
TEST_F(RealPlayTest, CallbackSetLaterGetsTheHeaderFirst)
{
    int32_t loginId = loginCamera(1);
    ASSERT_GE(loginId, 0);
    int32_t handle = play(loginId, nullptr, 0, 0);
    ASSERT_GE(handle, 0);
    std::this_thread::sleep_for(milliseconds(500)); // data flows to nobody meanwhile
    StreamCollector collector;
    ASSERT_TRUE(TSR_SetRealDataCallBack(handle, StreamCollector::callback, &collector));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return collector.countOf(TSR_DATA_STREAM) >= 2; }));
    EXPECT_EQ(collector.snapshot()[0].type, uint32_t(TSR_DATA_STREAM_HEADER));
    EXPECT_EQ(collector.countOf(TSR_DATA_STREAM_HEADER), 1);
    EXPECT_TRUE(TSR_StopRealPlay(handle));
}

TEST_F(RealPlayTest, StopWhileDataFlowsEndsTheCallbacks)
{
    StreamCollector collector;
    int32_t handle = playCamera(&collector);
    ASSERT_GE(handle, 0);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return collector.countOf(TSR_DATA_STREAM) >= 3; }));
    ASSERT_TRUE(TSR_StopRealPlay(handle));
    expectNoMoreBlocks(collector);
    EXPECT_FALSE(TSR_StopRealPlay(handle));
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_HANDLE));
    EXPECT_FALSE(TSR_SetRealDataCallBack(handle, StreamCollector::callback, &collector));
}

TEST_F(RealPlayTest, StopFromInsideTheDataCallback)
{
    StreamCollector collector;
    int32_t handle = playCamera(&collector);
    ASSERT_GE(handle, 0);
    collector.stopHandle = handle;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return collector.stopResult != -1; }));
    EXPECT_EQ(collector.stopResult, 1);
    expectNoMoreBlocks(collector);
}

TEST_F(RealPlayTest, DeviceDroppedMidStreamIsReportedAndTheStreamResumes)
{
    struct Events
    {
        std::mutex mutex;
        std::vector<uint32_t> types;
    } events;
    ASSERT_TRUE(TSR_SetExceptionCallBack(
        0, nullptr,
        [](uint32_t type, int32_t, int32_t, void* user) {
            auto* e = static_cast<Events*>(user);
            std::lock_guard<std::mutex> lock(e->mutex);
            e->types.push_back(type);
        },
        &events));
    auto seen = [&](uint32_t type) {
        std::lock_guard<std::mutex> lock(events.mutex);
        return std::find(events.types.begin(), events.types.end(), type) != events.types.end();
    };
    StreamCollector collector;
    int32_t handle = playCamera(&collector);
    ASSERT_GE(handle, 0);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return collector.countOf(TSR_DATA_STREAM) >= 3; }));

    camera().drop();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return seen(TSR_EXCEPTION_DEVICE_DROPPED); }));
    camera().restore();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return seen(TSR_EXCEPTION_DEVICE_RESTORED); }));
    {
        std::lock_guard<std::mutex> lock(events.mutex);
        auto dropped = std::find(events.types.begin(), events.types.end(), uint32_t(TSR_EXCEPTION_DEVICE_DROPPED));
        auto restored = std::find(events.types.begin(), events.types.end(), uint32_t(TSR_EXCEPTION_DEVICE_RESTORED));
        EXPECT_LT(dropped, restored);
    }
    // The stream comes back with a header of its own, then data again.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return collector.countOf(TSR_DATA_STREAM_HEADER) >= 2; }));
    int dataBefore = collector.countOf(TSR_DATA_STREAM);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return collector.countOf(TSR_DATA_STREAM) > dataBefore + 2; }));
    EXPECT_TRUE(TSR_StopRealPlay(handle));
}

int distinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y) & 0xF0F0F0);
    return colours.size();
}

// The player draws on the GUI thread, so the wait keeps its events flowing.
bool waitWithEvents(const std::function<bool()>& condition)
{
    return testsupport::WaitUntil([&] {
        QCoreApplication::processEvents();
        return condition();
    });
}

TEST_F(RealPlayTest, DrawsIntoAWindowAndStillDeliversData)
{
    QWidget window;
    window.resize(320, 180);
    window.show();
    StreamCollector collector;
    int32_t handle = playCamera(&collector, window.winId());
    ASSERT_GE(handle, 0);
    EXPECT_TRUE(waitWithEvents([&] { return distinctColours(window.grab().toImage()) > 50; }));
    EXPECT_TRUE(waitWithEvents([&] { return collector.countOf(TSR_DATA_STREAM) >= 2; }));
    EXPECT_TRUE(TSR_StopRealPlay(handle));
}

TEST_F(RealPlayTest, WindowThatCannotBeDrawnIntoFailsTheStart)
{
    int32_t loginId = loginCamera();
    ASSERT_GE(loginId, 0);
    EXPECT_EQ(play(loginId, nullptr, TSR_HWND(0x7FFFFFF0)), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_NO_PLAYER));
}

TEST_F(RealPlayTest, StartFailures)
{
    StreamCollector collector;
    EXPECT_EQ(play(4242, &collector), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_HANDLE));
    int32_t loginId = loginCamera();
    ASSERT_GE(loginId, 0);
    TSR_PREVIEWINFO preview{};
    preview.lChannel = 7;
    EXPECT_EQ(TSR_RealPlay(loginId, &preview, nullptr, nullptr), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_CHANNEL));
    EXPECT_EQ(TSR_RealPlay(loginId, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_INVALID_ARGUMENT));
}

} // namespace

CORVANE_GTEST_MAIN_WITH_WIDGETS
