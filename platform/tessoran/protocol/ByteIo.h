#pragma once
// Little-endian reading and writing of wire fields.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tessoran::wire {

class ByteWriter
{
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v) { put(v, 2); }
    void u32(uint32_t v) { put(v, 4); }
    void u64(uint64_t v) { put(v, 8); }
    void f32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    void raw(const void* data, size_t size)
    {
        auto p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    // A short text: 16-bit length, then the bytes.
    void text(const std::string& s)
    {
        u16(static_cast<uint16_t>(s.size()));
        raw(s.data(), s.size() & 0xFFFF);
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    void put(uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<uint8_t> bytes_;
};

// Reads fields from a buffer; any read past the end marks the reader failed and
// yields zeros, so callers check ok() once at the end.
class ByteReader
{
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) { }
    uint8_t u8() { return static_cast<uint8_t>(get(1)); }
    uint16_t u16() { return static_cast<uint16_t>(get(2)); }
    uint32_t u32() { return static_cast<uint32_t>(get(4)); }
    uint64_t u64() { return get(8); }
    float f32()
    {
        uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    bool raw(void* out, size_t n)
    {
        if (!need(n)) {
            std::memset(out, 0, n);
            return false;
        }
        std::memcpy(out, data_ + pos_, n);
        pos_ += n;
        return true;
    }
    std::string text()
    {
        size_t n = u16();
        if (!need(n))
            return {};
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    const uint8_t* current() const { return data_ + pos_; }
    size_t remaining() const { return ok_ ? size_ - pos_ : 0; }
    bool ok() const { return ok_; }
    bool atEnd() const { return ok_ && pos_ == size_; }
    void fail() { ok_ = false; }

private:
    bool need(size_t n)
    {
        if (!ok_ || size_ - pos_ < n) {
            ok_ = false;
            return false;
        }
        return true;
    }
    uint64_t get(int n)
    {
        if (!need(static_cast<size_t>(n)))
            return 0;
        uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= static_cast<uint64_t>(data_[pos_ + i]) << (8 * i);
        pos_ += n;
        return v;
    }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

} // namespace tessoran::wire
