#pragma once
// What a session hands its caller: data blocks by type and messages by type
// and code, recorded from the library's threads.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Pellmar.h"
#include "../../support/WaitUntil.h"

class StreamRecorder
{
public:
    struct Message
    {
        int type;
        int code;
        std::string text;
    };

    static int OnData(int mediaIndex, int dataType, STREAM_DATA_T* data, void* user)
    {
        auto* self = static_cast<StreamRecorder*>(user);
        if (self->stopped.load())
            self->afterStop++;
        std::lock_guard<std::mutex> lock(self->mutex);
        if (dataType == PELLMAR_DATA_RTP) {
            self->packets++;
            self->bytes += data->uiDataLen;
            if (data->uiMarker)
                self->frames++;
            self->lastTimestamp = data->uiTimeStamp;
            if (mediaIndex >= 0 && mediaIndex < 4)
                self->perMedia[mediaIndex]++;
        } else {
            self->blocks.push_back(
                {dataType, std::string(reinterpret_cast<const char*>(data->pData), data->uiDataLen)});
        }
        return 0;
    }

    static void OnMessage(int type, void* message, void* user)
    {
        auto* self = static_cast<StreamRecorder*>(user);
        const auto* record = static_cast<const PELLMAR_MSG_T*>(message);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->messages.push_back(
            {type, record->iCode, record->pszText ? std::string(record->pszText, record->iLength) : std::string()});
    }

    STREAM_PARAM_T Param(const std::string& url, int transCode, const char* user = "", const char* password = "")
    {
        m_url = url;
        m_user = user;
        m_password = password;
        STREAM_PARAM_T param{};
        param.pszUrl = m_url.c_str();
        param.pszUserName = m_user.c_str();
        param.pszPassword = m_password.c_str();
        param.bRtpPack = 1;
        param.iTransCode = transCode;
        param.pfnMsgCB = &StreamRecorder::OnMessage;
        param.pfnDataCB = &StreamRecorder::OnData;
        param.pUser = this;
        param.stPlayBack.dScale = 1.0;
        return param;
    }

    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        return testsupport::WaitUntil(condition, timeout);
    }

    bool WaitPackets(long count, std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        return WaitUntil([&] { return packets.load() >= count; }, timeout);
    }

    size_t CountMessages(int type, int code)
    {
        std::lock_guard<std::mutex> lock(mutex);
        size_t count = 0;
        for (const Message& message : messages)
            count += message.type == type && message.code == code;
        return count;
    }

    bool WaitMessage(int type, int code, std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        return WaitUntil([&] { return CountMessages(type, code) > 0; }, timeout);
    }

    size_t CountBlocks(int dataType)
    {
        std::lock_guard<std::mutex> lock(mutex);
        size_t count = 0;
        for (const auto& block : blocks)
            count += block.first == dataType;
        return count;
    }

    std::string Block(int dataType)
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto& block : blocks) {
            if (block.first == dataType)
                return block.second;
        }
        return std::string();
    }

    std::atomic<long> packets{0};
    std::atomic<long> frames{0};
    std::atomic<long> bytes{0};
    std::atomic<uint32_t> lastTimestamp{0};
    std::atomic<bool> stopped{false};
    std::atomic<long> afterStop{0};
    std::mutex mutex;
    std::vector<Message> messages;
    std::vector<std::pair<int, std::string>> blocks;
    std::atomic<long> perMedia[4] = {};

private:
    std::string m_url;
    std::string m_user;
    std::string m_password;
};
