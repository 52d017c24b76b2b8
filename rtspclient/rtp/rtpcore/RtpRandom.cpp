#include "rtpcore/RtpRandom.h"

namespace rtpcore {

RtpRandom::RtpRandom()
{
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    m_engine.seed(seed);
}

double RtpRandom::Uniform(double low, double high)
{
    return std::uniform_real_distribution<double>(low, high)(m_engine);
}

} // namespace rtpcore
