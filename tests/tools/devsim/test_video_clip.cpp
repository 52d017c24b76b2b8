// The simulator's clip: one-second pieces that each play from their first byte.

#include "Simulator.h"
#include "VideoClip.h"

#include "../../platform/tessoran/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

uint16_t pid(const uint8_t* packet) { return static_cast<uint16_t>(((packet[1] & 0x1F) << 8) | packet[2]); }

bool hasRandomAccessPoint(const std::vector<uint8_t>& piece) {
  for (size_t at = 0; at + 188 <= piece.size(); at += 188) {
    const uint8_t* p = piece.data() + at;
    bool adaptation = (p[3] & 0x20) != 0;
    if (adaptation && p[4] > 0 && (p[5] & 0x40)) return true;
  }
  return false;
}

QStringList probeFrames(const QString& path) {
  QProcess ffprobe;
  ffprobe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                            "stream=codec_name,nb_read_frames", "-of", "csv=p=0", path});
  ffprobe.waitForFinished(60000);
  return QString::fromUtf8(ffprobe.readAllStandardOutput()).section('\n', 0, 0).trimmed().split(',');
}

class VideoClipTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(clip_.load(devsim::Simulator::defaultClipPath(), error)) << error;
  }
  devsim::VideoClip clip_;
};

TEST_F(VideoClipTest, PiecesAreSecondsStartingWithTablesAndAKeyFrame) {
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

TEST_F(VideoClipTest, PiecesAreCutIntoTheirPictures) {
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

TEST_F(VideoClipTest, WallClockLoopsOverThePieces) {
  EXPECT_EQ(&clip_.pieceAt(3), &clip_.pieceAt(13));
  EXPECT_EQ(&clip_.pieceAt(-1), &clip_.pieceAt(9));
  EXPECT_EQ(&clip_.pieceAt(1'700'000'003), &clip_.pieceAt(3));
}

// As a recording that begins anywhere: pieces 7, 8, 9, 0, 1 appended play whole.
TEST_F(VideoClipTest, AnyRunOfPiecesPlaysFromItsFirstByte) {
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

TEST(VideoClipMake, MakesAClipWithFfmpegAndKeepsAnExistingOne) {
  QTemporaryDir dir;
  std::string path = dir.filePath("short.ts").toStdString();
  std::string error;
  ASSERT_TRUE(devsim::VideoClip::make(path, 3, error)) << error;
  devsim::VideoClip clip;
  ASSERT_TRUE(clip.load(path, error)) << error;
  EXPECT_EQ(clip.pieceCount(), 3u);
  QFile::resize(QString::fromStdString(path), 188 * 3);
  ASSERT_TRUE(devsim::VideoClip::make(path, 3, error));
  EXPECT_FALSE(clip.load(path, error)) << "an existing file is not replaced";
  EXPECT_FALSE(error.empty());
}

TEST(VideoClipMake, MakesTheSizeAskedFor) {
  QTemporaryDir dir;
  std::string path = dir.filePath("wide.ts").toStdString();
  std::string error;
  ASSERT_TRUE(devsim::VideoClip::make(path, 2, error, 320, 176)) << error;
  QProcess ffprobe;
  ffprobe.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=width,height",
                            "-of", "csv=p=0", QString::fromStdString(path)});
  ASSERT_TRUE(ffprobe.waitForFinished(60000));
  EXPECT_EQ(ffprobe.readAllStandardOutput().split('\n').value(0).trimmed().toStdString(), "320,176");
}

TEST(VideoClipLoad, RefusesWhatIsNotTransportStream) {
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

}  // namespace

CORVANE_GTEST_MAIN_WITH_GUI
