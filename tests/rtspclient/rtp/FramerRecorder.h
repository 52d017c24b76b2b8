#pragma once
// Records what the stream framers deliver, as readable strings.
#include <string>
#include <vector>

#include "LoopbackPeer.h"
#include "rtp/CRtspStreamFramer.h"
#include "rtp/CRtpStreamFramer.h"

using loopback::InterleavedFrame;

struct FramerRecorder : CRtspStreamFramer::Sink, CRtpStreamFramer::Sink
{
    std::vector<std::string> events;

    void OnRtspMessage(const char* text, size_t size) override
    {
        events.push_back("msg:" + std::string(text, size));
        if (text[size] != '\0')
            events.push_back("unterminated");
    }
    void OnInterleavedFrame(uint8_t channel, const uint8_t* data, size_t size) override
    {
        events.push_back(Frame(channel, data, size));
    }
    void OnStreamFrame(uint8_t channel, const uint8_t* data, size_t size) override
    {
        events.push_back(Frame(channel, data, size));
    }
    static std::string Frame(uint8_t channel, const uint8_t* data, size_t size)
    {
        return "frame:" + std::to_string(channel) + ":" + std::string(reinterpret_cast<const char*>(data), size);
    }
};
