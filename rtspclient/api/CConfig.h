#pragma once
#include <atomic>

// Library-wide settings the caller may change at any time.
class CConfig {
public:
    static constexpr unsigned int kMinDescribeTimeoutMs = 5000;
    static constexpr unsigned int kMaxDescribeTimeoutMs = 120000;
    static constexpr unsigned int kDefaultDescribeTimeoutMs = 15000;

    static CConfig& Instance();

    // False outside 5000 to 120000 ms.
    bool SetDescribeTimeoutMs(unsigned int milliseconds);
    unsigned int DescribeTimeoutMs() const { return m_uiDescribeTimeoutMs; }

private:
    std::atomic<unsigned int> m_uiDescribeTimeoutMs{kDefaultDescribeTimeoutMs};
};
