#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FramerRecorder.h"

namespace {

using Events = std::vector<std::string>;

const std::string kOptions = "RTSP/1.0 200 OK\r\nCSeq: 1\r\nPublic: DESCRIBE, SETUP\r\n\r\n";
const std::string kDescribe =
    "RTSP/1.0 200 OK\r\nCSeq: 2\r\nContent-Type: application/sdp\r\nContent-Length: 10\r\n\r\nv=0\r\ns=x\r\n";

// Feeds the chunks one receive at a time.
CRtspStreamFramer::Result Feed(CRtspStreamFramer& framer, FramerRecorder& recorder,
                               const std::vector<std::string>& chunks)
{
    CRtspStreamFramer::Result result = CRtspStreamFramer::Result::NeedMore;
    for (const std::string& chunk : chunks) {
        EXPECT_LE(chunk.size(), framer.FreeSize());
        std::memcpy(framer.FreeSpace(), chunk.data(), chunk.size());
        result = framer.Commit(chunk.size(), recorder);
    }
    return result;
}

std::vector<std::string> Bytewise(const std::string& text)
{
    std::vector<std::string> chunks;
    for (char c : text)
        chunks.emplace_back(1, c);
    return chunks;
}

struct FramingCase
{
    const char* name;
    std::vector<std::string> chunks;
    Events expected;
    size_t leftOver;
};

class RtspStreamFraming : public testing::TestWithParam<FramingCase>
{ };

TEST_P(RtspStreamFraming, DeliversWholeMessagesAndFramesInOrder)
{
    const FramingCase& c = GetParam();
    CRtspStreamFramer framer;
    FramerRecorder recorder;
    EXPECT_EQ(Feed(framer, recorder, c.chunks), CRtspStreamFramer::Result::NeedMore);
    EXPECT_EQ(recorder.events, c.expected);
    EXPECT_EQ(framer.Buffered(), c.leftOver);
}

const std::string kAfter = "RTSP/1.0 200 OK\r\nCSeq: 9\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, RtspStreamFraming,
    testing::Values(
        FramingCase{"response_in_one_piece", {kOptions}, {"msg:" + kOptions}, 0},
        FramingCase{"response_with_body_byte_by_byte", Bytewise(kDescribe), {"msg:" + kDescribe}, 0},
        FramingCase{"two_responses_in_one_segment", {kOptions + kDescribe}, {"msg:" + kOptions, "msg:" + kDescribe}, 0},
        FramingCase{"body_split_over_receives",
                    {kDescribe.substr(0, kDescribe.size() - 4), kDescribe.substr(kDescribe.size() - 4)},
                    {"msg:" + kDescribe},
                    0},
        FramingCase{
            "frames_on_channels_0_to_7",
            {InterleavedFrame(0, "a") + InterleavedFrame(1, "b") + InterleavedFrame(2, "c") + InterleavedFrame(3, "d") +
             InterleavedFrame(4, "e") + InterleavedFrame(5, "f") + InterleavedFrame(6, "g") + InterleavedFrame(7, "h")},
            {"frame:0:a", "frame:1:b", "frame:2:c", "frame:3:d", "frame:4:e", "frame:5:f", "frame:6:g", "frame:7:h"},
            0},
        FramingCase{"unknown_channel_passes_to_the_owner", {InterleavedFrame(200, "zz")}, {"frame:200:zz"}, 0},
        FramingCase{"zero_length_frame_alone", {InterleavedFrame(2, "")}, {"frame:2:"}, 0},
        FramingCase{"truncated_frame_waits", {InterleavedFrame(0, "abcdef").substr(0, 7)}, {}, 7},
        FramingCase{"truncated_frame_header_waits", {"$\x01"}, {}, 2},
        FramingCase{"frame_completed_later",
                    {InterleavedFrame(0, "abcdef").substr(0, 3), InterleavedFrame(0, "abcdef").substr(3)},
                    {"frame:0:abcdef"},
                    0},
        FramingCase{"frames_around_a_response_bytewise",
                    Bytewise(InterleavedFrame(0, "rtp") + kOptions + InterleavedFrame(1, "rtcp")),
                    {"frame:0:rtp", "msg:" + kOptions, "frame:1:rtcp"},
                    0},
        FramingCase{"zero_bytes_between_messages_skipped",
                    {std::string("\0\0", 2) + kOptions + std::string("\0", 1) + InterleavedFrame(0, "x")},
                    {"msg:" + kOptions, "frame:0:x"},
                    0},
        FramingCase{"content_length_lower_case",
                    {"ANNOUNCE rtsp://h/ RTSP/1.0\r\ncontent-length: 3\r\n\r\nabc" + kAfter},
                    {"msg:ANNOUNCE rtsp://h/ RTSP/1.0\r\ncontent-length: 3\r\n\r\nabc", "msg:" + kAfter},
                    0},
        FramingCase{"content_length_missing", {"RTSP/1.0 200 OK\r\n\r\n"}, {"msg:RTSP/1.0 200 OK\r\n\r\n"}, 0},
        FramingCase{"content_length_only_in_body_does_not_count",
                    {"RTSP/1.0 200 OK\r\nContent-Length: 20\r\n\r\nContent-Length: 99\r\n" + kAfter},
                    {"msg:RTSP/1.0 200 OK\r\nContent-Length: 20\r\n\r\nContent-Length: 99\r\n", "msg:" + kAfter},
                    0},
        FramingCase{"content_length_negative_empties_the_buffer",
                    {"RTSP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nabcde", kAfter},
                    {"msg:" + kAfter},
                    0},
        FramingCase{"content_length_over_the_limit_empties_the_buffer",
                    {"RTSP/1.0 200 OK\r\nContent-Length: 262144\r\n\r\nabc", kAfter},
                    {"msg:" + kAfter},
                    0},
        FramingCase{"content_length_huge_does_not_overflow",
                    {"RTSP/1.0 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n", kAfter},
                    {"msg:" + kAfter},
                    0}),
    [](const testing::TestParamInfo<FramingCase>& info) { return std::string(info.param.name); });

TEST(RtspStreamFramer, LargestFrameAndLargestMessageFit)
{
    CRtspStreamFramer framer;
    FramerRecorder recorder;
    const std::string payload(65535, 'p');
    const std::string head = "RTSP/1.0 200 OK\r\nContent-Length: ";
    std::string body(CRtspStreamFramer::kBufferSize - 1 - head.size() - 10, 'b');
    const std::string message = head + std::to_string(body.size()) + "\r\n\r\n" + body;
    ASSERT_EQ(message.size(), CRtspStreamFramer::kBufferSize - 1);
    Feed(framer, recorder, {InterleavedFrame(0, payload)});
    std::vector<std::string> pieces;
    for (size_t at = 0; at < message.size(); at += 60000)
        pieces.push_back(message.substr(at, 60000));
    Feed(framer, recorder, pieces);
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[0].size(), std::string("frame:0:").size() + payload.size());
    EXPECT_EQ(recorder.events[1], "msg:" + message);
}

TEST(RtspStreamFramer, TextWithoutBlankLineThatFillsTheBufferIsReported)
{
    CRtspStreamFramer framer;
    FramerRecorder recorder;
    const std::string line = "X-Garbage: " + std::string(1000, 'g') + "\r\n";
    CRtspStreamFramer::Result result = CRtspStreamFramer::Result::NeedMore;
    while (framer.FreeSize() > 0 && result == CRtspStreamFramer::Result::NeedMore) {
        const size_t n = std::min(line.size(), framer.FreeSize());
        std::memcpy(framer.FreeSpace(), line.data(), n);
        result = framer.Commit(n, recorder);
    }
    EXPECT_EQ(result, CRtspStreamFramer::Result::BufferFull);
    EXPECT_EQ(framer.FreeSize(), 0u);
    EXPECT_TRUE(recorder.events.empty());
}

// Skipping such a message would read its body as messages: the connection
// owner is told, and closes.
TEST(RtspStreamFramer, MessageLongerThanTheBufferIsReported)
{
    CRtspStreamFramer framer;
    FramerRecorder recorder;
    EXPECT_EQ(Feed(framer, recorder, {"RTSP/1.0 200 OK\r\nContent-Length: 262144\r\n\r\nabc"}),
              CRtspStreamFramer::Result::TooLarge);
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_EQ(framer.Buffered(), 0u);
}

TEST(RtspStreamFramer, MessageSizeCountsHeaderAndBody)
{
    EXPECT_EQ(CRtspStreamFramer::MessageSize(kDescribe.data(), kDescribe.size()), long(kDescribe.size()));
    EXPECT_EQ(CRtspStreamFramer::MessageSize(kDescribe.data(), 20), 0);
    const std::string negative = "A\r\nContent-length: -1\r\n\r\n";
    EXPECT_EQ(CRtspStreamFramer::MessageSize(negative.data(), negative.size()), -1);
}

} // namespace
