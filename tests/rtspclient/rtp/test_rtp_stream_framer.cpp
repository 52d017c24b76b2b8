#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FramerRecorder.h"

namespace {

void Feed(CRtpStreamFramer& framer, FramerRecorder& recorder, const std::string& bytes)
{
    std::memcpy(framer.FreeSpace(), bytes.data(), bytes.size());
    framer.Commit(bytes.size(), recorder);
}

TEST(RtpStreamFramer, SkipsBytesBeforeTheDollarAndWaitsForWholeFrames)
{
    CRtpStreamFramer framer;
    FramerRecorder recorder;
    const std::string stream = "junk" + InterleavedFrame(0, "rtp-packet") + "x" + InterleavedFrame(1, "rtcp");
    for (char c : stream)
        Feed(framer, recorder, std::string(1, c));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"frame:0:rtp-packet", "frame:1:rtcp"}));
    EXPECT_EQ(framer.Buffered(), 0u);
}

TEST(RtpStreamFramer, CascadeLengthIsLittleEndianInWords)
{
    CRtpStreamFramer framer(true);
    FramerRecorder recorder;
    const std::string payload(100, 'c');
    std::string frame = std::string("$\x00", 2) + char(25) + char(0) + payload; // 25 words = 100 bytes
    Feed(framer, recorder, frame);
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0], "frame:0:" + payload);
}

TEST(RtpStreamFramer, CascadeFrameOfTheWholeBufferFits)
{
    CRtpStreamFramer framer(true);
    FramerRecorder recorder;
    std::string frame = std::string("$\x02\xFF\xFF", 4) + std::string(65535 * 4, 'w');
    ASSERT_EQ(frame.size(), CRtpStreamFramer::kBufferSize);
    Feed(framer, recorder, frame);
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].size(), std::string("frame:2:").size() + 65535 * 4);
}

TEST(RtpStreamFramer, AttachedFramerMakesNoBufferOfItsOwn)
{
    std::vector<uint8_t> buffer(CRtpStreamFramer::kBufferSize + 4);
    CRtpStreamFramer attached;
    attached.Attach(buffer.data());
    FramerRecorder recorder;
    Feed(attached, recorder, InterleavedFrame(0, "rtp"));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"frame:0:rtp"}));
    EXPECT_EQ(attached.OwnBufferBytes(), 0u);
    CRtpStreamFramer alone;
    Feed(alone, recorder, InterleavedFrame(0, "rtp"));
    EXPECT_GE(alone.OwnBufferBytes(), CRtpStreamFramer::kBufferSize);
}

TEST(RtpStreamFramer, ZeroLengthFrameIsDelivered)
{
    CRtpStreamFramer framer;
    FramerRecorder recorder;
    Feed(framer, recorder, InterleavedFrame(4, ""));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"frame:4:"}));
}

} // namespace
