#pragma once
// Collects the blocks of a real play as the data callback delivers them.

#include "tessoran.h"

#include <atomic>
#include <mutex>
#include <vector>

struct StreamCollector
{
    struct Block
    {
        uint32_t type;
        std::vector<uint8_t> bytes;
    };
    std::mutex mutex;
    std::vector<Block> blocks;
    std::atomic<int> count{0};
    std::atomic<int32_t> stopHandle{-1}; // stopped from inside the callback when set
    std::atomic<int> stopResult{-1};

    static void callback(int32_t handle, uint32_t type, const uint8_t* data, uint32_t size, void* user)
    {
        auto* c = static_cast<StreamCollector*>(user);
        {
            std::lock_guard<std::mutex> lock(c->mutex);
            c->blocks.push_back({type, std::vector<uint8_t>(data, data + size)});
        }
        ++c->count;
        if (c->stopHandle == handle && type == TSR_DATA_STREAM) {
            c->stopHandle = -1;
            c->stopResult = TSR_StopRealPlay(handle);
        }
    }

    std::vector<Block> snapshot()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return blocks;
    }
    int countOf(uint32_t type)
    {
        std::lock_guard<std::mutex> lock(mutex);
        int n = 0;
        for (auto& b : blocks)
            n += b.type == type;
        return n;
    }
};
