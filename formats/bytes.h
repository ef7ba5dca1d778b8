// Little-endian loads and stores on bounds-checked byte spans.
//
// Every on-disk record of both programs is decoded through these helpers: a
// load outside its span is a programming error and throws std::out_of_range,
// so a bad offset can never read past a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

using ByteSpan = std::span<const uint8_t>;

inline void CheckRange(ByteSpan bytes, size_t at, size_t length) {
    if (at > bytes.size() || length > bytes.size() - at)
        throw std::out_of_range("read past the end of a record");
}

inline uint8_t LoadU8(ByteSpan bytes, size_t at) {
    CheckRange(bytes, at, 1);
    return bytes[at];
}

inline uint16_t LoadU16(ByteSpan bytes, size_t at) {
    CheckRange(bytes, at, 2);
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

inline int16_t LoadS16(ByteSpan bytes, size_t at) {
    return static_cast<int16_t>(LoadU16(bytes, at));
}

inline uint32_t LoadU32(ByteSpan bytes, size_t at) {
    CheckRange(bytes, at, 4);
    return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

inline int32_t LoadS32(ByteSpan bytes, size_t at) {
    return static_cast<int32_t>(LoadU32(bytes, at));
}

// Copies `length` raw bytes starting at `at` into `out`.
inline void LoadBytes(ByteSpan bytes, size_t at, void* out, size_t length) {
    CheckRange(bytes, at, length);
    const uint8_t* from = bytes.data() + at;
    uint8_t* to = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < length; i++) to[i] = from[i];
}

// Stores append to a growing byte vector.
inline void StoreU8(std::vector<uint8_t>& out, uint8_t value) {
    out.push_back(value);
}

inline void StoreU16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void StoreU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

inline void StoreBytes(std::vector<uint8_t>& out, const void* data, size_t length) {
    const uint8_t* from = static_cast<const uint8_t*>(data);
    out.insert(out.end(), from, from + length);
}
