#pragma once
#include <map>
#include <string>
#include <vector>

// The named context entries of a session: values the caller or the session
// stores for later requests ("token" for SEP, "StopStream" for TEARDOWN ...).
// Every stored value is followed by a terminating zero, whatever length the
// caller gave, so a value read as text never runs past its end.
class CSessionContextMap
{
public:
    static constexpr size_t kMaxNameLength = 1279;

    enum Result { kOk = 0, kExists = -1, kUnknown = -2, kTooSmall = -3 };

    // Copies `length` bytes of `value` (none when null or length <= 0).
    Result Add(const std::string& name, const void* value, int length);
    // Stores the text with its terminating zero, counted in the length, as
    // the entries the session makes itself.
    Result AddText(const std::string& name, const std::string& text);
    bool Has(const std::string& name) const;
    // Copies the value into `buffer` of `capacity` bytes; `length` gets the
    // value's length, also when the buffer is too small (then nothing is copied).
    Result Get(const std::string& name, void* buffer, int capacity, int& length) const;
    // The value as text (up to its first zero); empty when unknown.
    std::string Text(const std::string& name) const;
    // Text() and erase, for entries a request consumes.
    bool Take(const std::string& name, std::string& text);
    void Clear();
    size_t Size() const { return m_mapEntries.size(); }

private:
    static std::string CutName(const std::string& name);

    // Value bytes plus one terminating zero that is not part of the length.
    std::map<std::string, std::vector<char>> m_mapEntries;
};
