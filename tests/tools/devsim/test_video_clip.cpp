// The simulator's clip: one-second pieces that each play from their first byte.

#include "Simulator.h"
#include "TsTimeShift.h"
#include "VideoClip.h"

#include "../../platform/tessoran/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

uint16_t pid(const uint8_t* packet)
{
    return static_cast<uint16_t>(((packet[1] & 0x1F) << 8) | packet[2]);
}

bool hasRandomAccessPoint(const std::vector<uint8_t>& piece)
{
    for (size_t at = 0; at + 188 <= piece.size(); at += 188) {
        const uint8_t* p = piece.data() + at;
        bool adaptation = (p[3] & 0x20) != 0;
        if (adaptation && p[4] > 0 && (p[5] & 0x40))
            return true;
    }
    return false;
}

QStringList probeFrames(const QString& path)
{
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                              "stream=codec_name,nb_read_frames", "-of", "csv=p=0", path});
    ffprobe.waitForFinished(60000);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).section('\n', 0, 0).trimmed().split(',');
}

class VideoClipTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(clip_.load(devsim::Simulator::defaultClipPath(), error)) << error;
    }
    devsim::VideoClip clip_;
};

TEST_F(VideoClipTest, PiecesAreSecondsStartingWithTablesAndAKeyFrame)
{
    ASSERT_EQ(clip_.pieceCount(), 10u);
    for (size_t i = 0; i < clip_.pieceCount(); ++i) {
        const auto& piece = clip_.pieceAt(static_cast<int64_t>(i));
        SCOPED_TRACE(i);
        ASSERT_EQ(piece.size() % 188, 0u);
        // The first piece keeps the service table that leads the file.
        size_t first = i == 0 ? 188 : 0;
        EXPECT_EQ(pid(piece.data() + first), 0) << "a piece begins with the program association table";
        EXPECT_TRUE(hasRandomAccessPoint(piece));
    }
}

TEST_F(VideoClipTest, PiecesAreCutIntoTheirPictures)
{
    for (int64_t second = 0; second < static_cast<int64_t>(clip_.pieceCount()); ++second) {
        const std::vector<uint8_t>& piece = clip_.pieceAt(second);
        const std::vector<size_t>& starts = clip_.pictureStartsAt(second);
        ASSERT_EQ(starts.size(), size_t(devsim::VideoClip::kFramesPerSecond)) << "piece " << second;
        EXPECT_EQ(starts.front(), 0u);
        for (size_t i = 1; i < starts.size(); ++i) {
            ASSERT_GT(starts[i], starts[i - 1]);
            ASSERT_EQ(starts[i] % 188, 0u);
            ASSERT_LT(starts[i], piece.size());
            const uint8_t* packet = piece.data() + starts[i];
            EXPECT_TRUE(packet[1] & 0x40) << "a picture starts a new unit";
        }
    }
}

TEST_F(VideoClipTest, WallClockLoopsOverThePieces)
{
    EXPECT_EQ(&clip_.pieceAt(3), &clip_.pieceAt(13));
    EXPECT_EQ(&clip_.pieceAt(-1), &clip_.pieceAt(9));
    EXPECT_EQ(&clip_.pieceAt(1'700'000'003), &clip_.pieceAt(3));
}

// As a recording that begins anywhere: pieces 7, 8, 9, 0, 1 appended play whole.
TEST_F(VideoClipTest, AnyRunOfPiecesPlaysFromItsFirstByte)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("run.ts"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int64_t second = 7; second < 12; ++second) {
        const auto& piece = clip_.pieceAt(second);
        file.write(reinterpret_cast<const char*>(piece.data()), static_cast<qint64>(piece.size()));
    }
    file.close();
    QStringList fields = probeFrames(file.fileName());
    ASSERT_EQ(fields.size(), 2);
    EXPECT_EQ(fields[0], "h264");
    EXPECT_EQ(fields[1].toInt(), 5 * 25);
}

double probeDuration(const QString& path)
{
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path});
    ffprobe.waitForFinished(60000);
    return ffprobe.readAllStandardOutput().trimmed().toDouble();
}

// Downloads and live play span the clip's loops: seconds 7 to 11 of a
// 10-second clip, with their time stamps moved on, are five seconds long.
TEST_F(VideoClipTest, TimedPiecesPlayAsOneRecordingAcrossTheLoop)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("timed.ts"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int64_t second = 1'700'000'007; second < 1'700'000'012; ++second) {
        const std::vector<uint8_t> piece = clip_.timedPieceAt(second);
        EXPECT_EQ(piece.size(), clip_.pieceAt(second).size());
        file.write(reinterpret_cast<const char*>(piece.data()), static_cast<qint64>(piece.size()));
    }
    file.close();
    EXPECT_NEAR(probeDuration(file.fileName()), 5.0, 0.2);
    QStringList fields = probeFrames(file.fileName());
    ASSERT_EQ(fields.size(), 2);
    EXPECT_EQ(fields[1].toInt(), 5 * 25);
}

struct StampCase
{
    const char* name;
    uint64_t value;
    int64_t shift;
    uint64_t expected;
};

void PrintTo(const StampCase& c, std::ostream* os)
{
    *os << c.name;
}

class TimeStampTest : public ::testing::TestWithParam<StampCase>
{ };

// The field keeps its prefix nibble and marker bits; values wrap at 2^33.
TEST_P(TimeStampTest, ShiftsTheFieldOnly)
{
    const StampCase& c = GetParam();
    // A packet with a PES header carrying PTS and DTS.
    std::vector<uint8_t> ts(188, 0xFF);
    const uint8_t head[] = {0x47, 0x41, 0x00, 0x10, 0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0xC0,
                            0x0A, 0x31, 0x00, 0x01, 0x00, 0x01, 0x11, 0x00, 0x01, 0x00, 0x01};
    std::copy(std::begin(head), std::end(head), ts.begin());
    devsim::writeTimestamp(ts.data() + 13, c.value);
    devsim::writeTimestamp(ts.data() + 18, c.value);
    devsim::shiftTimestamps(ts, c.shift);
    EXPECT_EQ(devsim::readTimestamp(ts.data() + 13), c.expected);
    EXPECT_EQ(devsim::readTimestamp(ts.data() + 18), c.expected);
    EXPECT_EQ(ts[13] & 0xF1, 0x31);
    EXPECT_EQ(ts[18] & 0xF1, 0x11);
    for (int marker : {15, 17, 20, 22})
        EXPECT_EQ(ts[marker] & 0x01, 1) << marker;
    EXPECT_EQ(ts[23], 0xFF) << "the payload after the header stays";
}

INSTANTIATE_TEST_SUITE_P(Stamps, TimeStampTest,
                         ::testing::Values(StampCase{"plainShift", 126000, 900000, 1026000},
                                           StampCase{"highBits", (uint64_t(1) << 32) + 5, 90000,
                                                     (uint64_t(1) << 32) + 90005},
                                           StampCase{"wrapsAt33Bits", (uint64_t(1) << 33) - 10, 20, 10},
                                           StampCase{"backwards", 100, -200, (uint64_t(1) << 33) - 100}),
                         [](const ::testing::TestParamInfo<StampCase>& info) { return info.param.name; });

TEST(VideoClipMake, MakesAClipWithFfmpegKeepsAWholeOneAndRemakesACutOne)
{
    QTemporaryDir dir;
    std::string path = dir.filePath("short.ts").toStdString();
    std::string error;
    ASSERT_TRUE(devsim::VideoClip::make(path, 3, error)) << error;
    devsim::VideoClip clip;
    ASSERT_TRUE(clip.load(path, error)) << error;
    EXPECT_EQ(clip.pieceCount(), 3u);
    const QString name = QString::fromStdString(path);
    // Whole: kept as it is.
    const QDateTime earlier = QFileInfo(name).lastModified().addSecs(-3600);
    {
        QFile marker(name);
        ASSERT_TRUE(marker.open(QIODevice::ReadWrite));
        ASSERT_TRUE(marker.setFileTime(earlier, QFileDevice::FileModificationTime));
    }
    ASSERT_TRUE(devsim::VideoClip::make(path, 3, error)) << error;
    EXPECT_EQ(QFileInfo(name).lastModified(), earlier) << "a whole clip is not made again";
    // Cut short, as by a run killed mid-write: made again.
    QFile::resize(name, 188 * 3);
    ASSERT_FALSE(clip.load(path, error));
    ASSERT_TRUE(devsim::VideoClip::make(path, 3, error)) << error;
    ASSERT_TRUE(clip.load(path, error)) << error;
    EXPECT_EQ(clip.pieceCount(), 3u);
}

TEST(VideoClipMake, DefaultClipLivesBesideTheProgramNotInTheSharedTemporaryFolder)
{
    const QString path = QString::fromStdString(devsim::Simulator::defaultClipPath());
    // The program itself may live below the temporary folder (a clone there).
    EXPECT_NE(path, QDir::tempPath() + QStringLiteral("/devsim-clip.ts")) << path.toStdString();
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath());
}

TEST(VideoClipMake, MakesTheSizeAskedFor)
{
    QTemporaryDir dir;
    std::string path = dir.filePath("wide.ts").toStdString();
    std::string error;
    ASSERT_TRUE(devsim::VideoClip::make(path, 2, error, 320, 176)) << error;
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=width,height", "-of",
                              "csv=p=0", QString::fromStdString(path)});
    ASSERT_TRUE(ffprobe.waitForFinished(60000));
    EXPECT_EQ(ffprobe.readAllStandardOutput().split('\n').value(0).trimmed().toStdString(), "320,176");
}

TEST(VideoClipLoad, RefusesWhatIsNotTransportStream)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("text.ts"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(188 * 4, 'x'));
    file.close();
    devsim::VideoClip clip;
    std::string error;
    EXPECT_FALSE(clip.load(file.fileName().toStdString(), error));
    EXPECT_FALSE(clip.load(dir.filePath("missing.ts").toStdString(), error));
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
