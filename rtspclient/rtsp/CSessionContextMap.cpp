#include "rtsp/CSessionContextMap.h"

#include <cstring>

std::string CSessionContextMap::CutName(const std::string& name)
{
    return name.substr(0, kMaxNameLength);
}

CSessionContextMap::Result CSessionContextMap::Add(const std::string& name, const void* value, int length)
{
    const std::string key = CutName(name);
    if (m_mapEntries.count(key))
        return kExists;
    std::vector<char> bytes;
    if (value != nullptr && length > 0)
        bytes.assign(static_cast<const char*>(value), static_cast<const char*>(value) + length);
    bytes.push_back('\0');
    m_mapEntries.emplace(key, std::move(bytes));
    return kOk;
}

CSessionContextMap::Result CSessionContextMap::AddText(const std::string& name, const std::string& text)
{
    return Add(name, text.c_str(), static_cast<int>(text.size()) + 1);
}

bool CSessionContextMap::Has(const std::string& name) const
{
    return m_mapEntries.count(CutName(name)) != 0;
}

CSessionContextMap::Result CSessionContextMap::Get(const std::string& name, void* buffer, int capacity,
                                                   int& length) const
{
    auto found = m_mapEntries.find(CutName(name));
    if (found == m_mapEntries.end())
        return kUnknown;
    length = static_cast<int>(found->second.size()) - 1;
    if (buffer == nullptr || capacity < length)
        return kTooSmall;
    std::memcpy(buffer, found->second.data(), static_cast<size_t>(length));
    return kOk;
}

std::string CSessionContextMap::Text(const std::string& name) const
{
    auto found = m_mapEntries.find(CutName(name));
    return found == m_mapEntries.end() ? std::string() : std::string(found->second.data());
}

bool CSessionContextMap::Take(const std::string& name, std::string& text)
{
    auto found = m_mapEntries.find(CutName(name));
    if (found == m_mapEntries.end())
        return false;
    text = found->second.data();
    m_mapEntries.erase(found);
    return true;
}

void CSessionContextMap::Clear()
{
    m_mapEntries.clear();
}
