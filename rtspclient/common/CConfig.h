#pragma once
#include <atomic>

// Library-wide settings the caller may change at any time.
class CConfig
{
public:
    static constexpr unsigned int kMinDescribeTimeoutMs = 5000;
    static constexpr unsigned int kMaxDescribeTimeoutMs = 120000;
    static constexpr unsigned int kDefaultDescribeTimeoutMs = 15000;
    static constexpr unsigned int kMinMediaSilenceMs = 1000;
    static constexpr unsigned int kMaxMediaSilenceMs = 600000;
    static constexpr unsigned int kDefaultMediaSilenceMs = 10000;

    static CConfig& Instance();

    // False outside 5000 to 120000 ms.
    bool SetDescribeTimeoutMs(unsigned int milliseconds);
    unsigned int DescribeTimeoutMs() const { return m_uiDescribeTimeoutMs; }
    // False outside 1000 to 600000 ms; 0 turns the media-silence report off.
    bool SetMediaSilenceMs(unsigned int milliseconds);
    unsigned int MediaSilenceMs() const { return m_uiMediaSilenceMs; }

private:
    std::atomic<unsigned int> m_uiDescribeTimeoutMs{kDefaultDescribeTimeoutMs};
    std::atomic<unsigned int> m_uiMediaSilenceMs{kDefaultMediaSilenceMs};
};
