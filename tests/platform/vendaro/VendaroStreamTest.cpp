#include "TestClip.h"
#include "TestRtpPacketizer.h"
#include "VendaroTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>

namespace {

using Packet = TestRtpPacketizer::Packet;
constexpr uint8_t kVideoPayloadType = 96;
constexpr uint32_t kSsrc = 0x1234abcd;
// Decoding the same bitstream again differs only by colour conversion.
constexpr double kSamePicture = 6.0;

std::vector<uint8_t> textBlock(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// The records the RTSP library hands out besides RTP packets.
std::vector<std::vector<uint8_t>> libraryRecords()
{
    std::vector<uint8_t> mediaRecord(1612, 0);
    std::memcpy(mediaRecord.data(), "video", 5);
    const std::vector<uint8_t> endOfStream{'$', 'z', 'u', 'l', 4, 3, 2, 1};
    const Packet audio = TestRtpPacketizer::rtpPacket(8, false, 7, 160, 0x55, std::vector<uint8_t>(160, 0xd5));
    return {mediaRecord, endOfStream, audio};
}

Packet interleaved(const Packet& packet)
{
    Packet framed{'$', 0, uint8_t(packet.size() >> 8), uint8_t(packet.size())};
    framed.insert(framed.end(), packet.begin(), packet.end());
    return framed;
}

struct RtpCase
{
    const char* name;
    TestClip::Codec codec;
};

void PrintTo(const RtpCase& row, std::ostream* out)
{
    *out << row.name;
}

class VendaroRtpStreamTest : public ::testing::TestWithParam<RtpCase>
{ };

TEST_P(VendaroRtpStreamTest, DecodesEveryPictureAndTheLastMatchesTheSource)
{
    TestClip clip(GetParam().codec, TestClip::Container::AnnexB, 2, "clip.es");
    ASSERT_FALSE(clip.path().isEmpty());
    const bool h265 = GetParam().codec == TestClip::Codec::H265;
    TestRtpPacketizer packetizer(h265, kVideoPayloadType, kSsrc);
    const auto stream = clip.bytes();
    const auto pictures = packetizer.packetize(stream);
    ASSERT_EQ(int(pictures.size()), clip.frameCount());

    const long port = openStreamPort(textBlock(packetizer.sdp(stream)));
    ASSERT_GE(port, 0);
    ASSERT_TRUE(Mavro_Play(port, 0));
    for (const auto& record : libraryRecords())
        ASSERT_TRUE(feedBlock(port, record));
    bool frame = false;
    for (const auto& picture : pictures) {
        for (const auto& packet : picture)
            ASSERT_TRUE(feedBlock(port, (frame = !frame) ? interleaved(packet) : packet));
        ASSERT_TRUE(feedBlock(port, libraryRecords()[2]));
    }

    ASSERT_TRUE(WaitUntil([&] { return Mavro_GetDecodedFrameCount(port) == pictures.size(); }))
        << Mavro_GetDecodedFrameCount(port) << " of " << pictures.size();
    EXPECT_LT(TestClip::meanDifference(lastFrame(port), clip.referenceFrame(int(pictures.size()) - 1)), kSamePicture);
    EXPECT_TRUE(Mavro_FreePort(port));
}

INSTANTIATE_TEST_SUITE_P(Codecs, VendaroRtpStreamTest,
                         ::testing::Values(RtpCase{"H264", TestClip::Codec::H264},
                                           RtpCase{"H265", TestClip::Codec::H265}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VendaroStreamTest, AnSdpArrivingLaterRestartsWithTheNewTrack)
{
    TestClip first(TestClip::Codec::H264, TestClip::Container::AnnexB, 1, "first.es");
    TestClip second(TestClip::Codec::H265, TestClip::Container::AnnexB, 1, "second.es");
    ASSERT_FALSE(first.path().isEmpty());
    ASSERT_FALSE(second.path().isEmpty());
    TestRtpPacketizer h264(false, 96, kSsrc);
    TestRtpPacketizer h265(true, 97, kSsrc + 1);

    const long port = openStreamPort(textBlock(h264.sdp(first.bytes())));
    ASSERT_GE(port, 0);
    const auto firstPictures = h264.packetize(first.bytes());
    for (const auto& picture : firstPictures)
        for (const auto& packet : picture)
            ASSERT_TRUE(feedBlock(port, packet));
    ASSERT_TRUE(WaitUntil([&] { return Mavro_GetDecodedFrameCount(port) == firstPictures.size(); }));

    ASSERT_TRUE(feedBlock(port, textBlock(h265.sdp(second.bytes()))));
    const auto secondPictures = h265.packetize(second.bytes());
    for (const auto& picture : secondPictures)
        for (const auto& packet : picture)
            ASSERT_TRUE(feedBlock(port, packet));
    const size_t total = firstPictures.size() + secondPictures.size();
    ASSERT_TRUE(WaitUntil([&] { return Mavro_GetDecodedFrameCount(port) == total; }));
    EXPECT_LT(TestClip::meanDifference(lastFrame(port), second.referenceFrame(int(secondPictures.size()) - 1)),
              kSamePicture);
    Mavro_FreePort(port);
}

// ---- Malformed RTP ----

struct MalformedCase
{
    const char* name;
    std::function<Packet(const Packet&)> damage; // replaces one packet of picture 10
    bool losesPictures;                          // the pictures up to the next key frame are dropped
};

void PrintTo(const MalformedCase& row, std::ostream* out)
{
    *out << row.name;
}

class VendaroMalformedRtpTest : public ::testing::TestWithParam<MalformedCase>
{ };

TEST_P(VendaroMalformedRtpTest, NeverCrashesAndResumesAtTheNextKeyFrame)
{
    TestClip clip(TestClip::Codec::H264, TestClip::Container::AnnexB, 2, "clip.es");
    ASSERT_FALSE(clip.path().isEmpty());
    TestRtpPacketizer packetizer(false, kVideoPayloadType, kSsrc);
    const auto pictures = packetizer.packetize(clip.bytes());
    ASSERT_EQ(int(pictures.size()), 2 * TestClip::kKeyInterval);

    const long port = openStreamPort(textBlock(packetizer.sdp(clip.bytes())));
    ASSERT_GE(port, 0);
    constexpr size_t kDamaged = 10;
    for (size_t i = 0; i < pictures.size(); ++i) {
        for (size_t p = 0; p < pictures[i].size(); ++p) {
            const bool damaged = i == kDamaged && p == pictures[i].size() / 2;
            ASSERT_TRUE(feedBlock(port, damaged ? GetParam().damage(pictures[i][p]) : pictures[i][p]));
        }
    }

    const unsigned int cleanPictures = kDamaged + TestClip::kKeyInterval;
    ASSERT_TRUE(WaitUntil([&] { return Mavro_GetDecodedFrameCount(port) >= cleanPictures; }));
    // Let anything still queued come out before counting exactly.
    EXPECT_TRUE(WaitUntil([&] { return lastFrame(port).size() > 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (GetParam().losesPictures) {
        EXPECT_EQ(Mavro_GetDecodedFrameCount(port), cleanPictures);
    }
    EXPECT_LT(TestClip::meanDifference(lastFrame(port), clip.referenceFrame(int(pictures.size()) - 1)), kSamePicture);
    Mavro_FreePort(port);
}

Packet withHeaderBits(Packet packet, uint8_t bits)
{
    packet[0] |= bits;
    return packet;
}

Packet fuA(const Packet& original, uint8_t fuHeader)
{
    Packet packet(original.begin(), original.begin() + 12);
    packet.insert(packet.end(), {uint8_t(0x60 | 28), fuHeader});
    packet.insert(packet.end(), 300, 0x5a);
    return packet;
}

const MalformedCase kMalformedCases[] = {
    {"UnderTwelveBytes", [](const Packet& p) { return Packet(p.begin(), p.begin() + 11); }, true},
    {"CsrcCountPastTheEnd", [](const Packet& p) { return withHeaderBits(Packet(p.begin(), p.begin() + 20), 0x0f); },
     true},
    {"ExtensionPastTheEnd",
     [](const Packet& p) {
         Packet packet = withHeaderBits(p, 0x10);
         packet[14] = 0xff;
         packet[15] = 0xff;
         return packet;
     },
     true},
    {"PaddingLongerThanThePayload",
     [](const Packet& p) {
         Packet packet = withHeaderBits(Packet(p.begin(), p.begin() + 20), 0x20);
         packet.back() = 200;
         return packet;
     },
     true},
    {"FuAWithoutStart", [](const Packet& p) { return fuA(p, 0x40 | 1); }, true},
    {"FuAWithoutEnd", [](const Packet& p) { return fuA(p, 0x80 | 1); }, true},
    {"SsrcChange",
     [](const Packet& p) {
         Packet packet = p;
         packet[11] ^= 0xff;
         return packet;
     },
     true},
    {"OneMegabytePacket",
     [](const Packet& p) {
         Packet packet(p.begin(), p.begin() + 12);
         packet.resize(1 << 20, 0x41);
         return packet;
     },
     false},
};

INSTANTIATE_TEST_SUITE_P(Cases, VendaroMalformedRtpTest, ::testing::ValuesIn(kMalformedCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- MPEG-TS from the device ----

std::vector<uint8_t> deviceHeader()
{
    std::vector<uint8_t> header(40, 0);
    std::memcpy(header.data(), "DEVICE STREAM HEADER", 20);
    return header;
}

// Cuts a byte stream into blocks of varying sizes, as a TCP reader would.
std::vector<std::vector<uint8_t>> blocksOf(const std::vector<uint8_t>& bytes)
{
    static const size_t sizes[] = {1316, 188 * 20, 4000, 777, 188};
    std::vector<std::vector<uint8_t>> blocks;
    for (size_t offset = 0, i = 0; offset < bytes.size(); ++i) {
        const size_t size = std::min(sizes[i % 5], bytes.size() - offset);
        blocks.emplace_back(bytes.begin() + long(offset), bytes.begin() + long(offset + size));
        offset += size;
    }
    return blocks;
}

TEST(VendaroStreamTest, DecodesMpegTsBlocksAfterTheDeviceHeader)
{
    TestClip clip(TestClip::Codec::H264, TestClip::Container::TransportStream, 2, "clip.mp4");
    ASSERT_FALSE(clip.path().isEmpty());
    const long port = openStreamPort(deviceHeader());
    ASSERT_GE(port, 0);
    ASSERT_TRUE(Mavro_Play(port, 0));
    for (const auto& block : blocksOf(clip.bytes()))
        ASSERT_TRUE(feedBlock(port, block));

    // A live demuxer holds the last picture until the next one starts.
    const int frames = clip.frameCount();
    ASSERT_TRUE(WaitUntil([&] { return int(Mavro_GetDecodedFrameCount(port)) >= frames - 1; }))
        << Mavro_GetDecodedFrameCount(port);
    const int decoded = int(Mavro_GetDecodedFrameCount(port));
    EXPECT_LT(TestClip::meanDifference(lastFrame(port), clip.referenceFrame(decoded - 1)), kSamePicture);
    Mavro_FreePort(port);
}

TEST(VendaroStreamTest, TwoThreadsFeedingOnePortDoNotDisturbEachOther)
{
    TestClip clip(TestClip::Codec::H264, TestClip::Container::AnnexB, 2, "clip.es");
    ASSERT_FALSE(clip.path().isEmpty());
    TestRtpPacketizer packetizer(false, kVideoPayloadType, kSsrc);
    const auto pictures = packetizer.packetize(clip.bytes());
    const long port = openStreamPort(textBlock(packetizer.sdp(clip.bytes())));
    ASSERT_GE(port, 0);

    std::atomic<bool> videoDone{false};
    std::thread audio([&] {
        // Another track's packets from a second thread, refused or not.
        const Packet packet = libraryRecords()[2];
        while (!videoDone)
            Mavro_InputData(port, packet.data(), unsigned(packet.size()));
    });
    for (const auto& picture : pictures)
        for (const auto& packet : picture)
            EXPECT_TRUE(feedBlock(port, packet));
    videoDone = true;
    audio.join();
    EXPECT_TRUE(WaitUntil([&] { return Mavro_GetDecodedFrameCount(port) == pictures.size(); }));
    Mavro_FreePort(port);
}

TEST(VendaroStreamTest, InputDataRefusesWhatDoesNotFitAtOnce)
{
    const long port = openStreamPort(deviceHeader(), 256 * 1024);
    ASSERT_GE(port, 0);
    const std::vector<uint8_t> tooLarge(300 * 1024, 0x47);
    EXPECT_EQ(Mavro_InputData(port, tooLarge.data(), unsigned(tooLarge.size())), 0);
    EXPECT_EQ(Mavro_GetLastError(port), unsigned(MAVRO_ERR_BUFFER_FULL));
    const std::vector<uint8_t> fits(1024, 0x47);
    EXPECT_EQ(Mavro_InputData(port, fits.data(), unsigned(fits.size())), 1);
    Mavro_FreePort(port);
}

TEST(VendaroStreamTest, StreamCallsNeedAnOpenStream)
{
    long port = -1;
    ASSERT_TRUE(Mavro_GetPort(&port));
    const uint8_t block[4] = {1, 2, 3, 4};
    EXPECT_EQ(Mavro_InputData(port, block, 4), 0);
    EXPECT_EQ(Mavro_GetLastError(port), unsigned(MAVRO_ERR_ORDER));
    EXPECT_EQ(Mavro_Play(port, 0), 0);
    MAVRO_SESSION_INFO empty{MAVRO_SESSION_HEADER, 0, block};
    EXPECT_EQ(Mavro_OpenStreamAdvanced(port, 1, &empty, 0), 0);
    EXPECT_EQ(Mavro_GetLastError(port), unsigned(MAVRO_ERR_PARAMETER));
    Mavro_FreePort(port);
}

} // namespace
