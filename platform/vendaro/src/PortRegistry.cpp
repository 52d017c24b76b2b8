#include "PortRegistry.h"

#include "PlayerPort.h"

extern "C" {
#include <libavutil/log.h>
}

namespace vendaro {

PortRegistry& PortRegistry::instance()
{
    static PortRegistry registry;
    return registry;
}

PortRegistry::PortRegistry()
{
    // Damaged live input is routine for a player; the decoders' complaints on
    // standard error would flood the client's output and tell nothing that
    // the frame counters do not.
    av_log_set_level(AV_LOG_FATAL);
}

PortRegistry::~PortRegistry()
{
    for (auto& port : m_ports)
        if (port)
            port->shutdown();
}

bool PortRegistry::setPoolSize(unsigned int count)
{
    if (count == 0 || count > kMaximumPoolSize)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_poolSize = count; // ports above a smaller size stay valid until freed
    return true;
}

long PortRegistry::acquire()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_slots.size() < m_poolSize) {
        m_slots.resize(m_poolSize, Slot::Free);
        m_ports.resize(m_poolSize);
    }
    for (unsigned int number = 0; number < m_poolSize; ++number) {
        if (m_slots[number] == Slot::Free) {
            m_slots[number] = Slot::Taken;
            m_ports[number] = std::make_shared<PlayerPort>(long(number));
            return long(number);
        }
    }
    return -1;
}

bool PortRegistry::release(long port)
{
    std::shared_ptr<PlayerPort> released;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (port < 0 || size_t(port) >= m_slots.size() || m_slots[size_t(port)] != Slot::Taken)
            return false;
        m_slots[size_t(port)] = Slot::Freeing;
        released.swap(m_ports[size_t(port)]);
    }
    released->shutdown(); // joins the port's threads; no lock held
    std::lock_guard<std::mutex> lock(m_mutex);
    m_slots[size_t(port)] = Slot::Free;
    return true;
}

std::shared_ptr<PlayerPort> PortRegistry::find(long port) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (port < 0 || size_t(port) >= m_ports.size())
        return nullptr;
    return m_ports[size_t(port)];
}

} // namespace vendaro
