#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Byte-order helpers for the recording, archive and result files, which are
// little-endian whatever the host is.
namespace base::le {

inline void PutU16(std::uint8_t* out, std::uint16_t value)
{
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(std::uint8_t* out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void PutF32(std::uint8_t* out, float value) { PutU32(out, std::bit_cast<std::uint32_t>(value)); }

inline std::uint16_t GetU16(const std::uint8_t* in)
{
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

inline std::uint32_t GetU32(const std::uint8_t* in)
{
    return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8)
        | (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

inline float GetF32(const std::uint8_t* in) { return std::bit_cast<float>(GetU32(in)); }

// count 16-bit words from bytes to memory and back; a plain copy on a
// little-endian host.
inline void GetU16s(const std::uint8_t* in, std::uint16_t* out, std::size_t count)
{
    if (count == 0)
        return; // empty buffers may have no storage at all
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, in, count * 2);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = GetU16(in + 2 * i);
    }
}

inline void PutU16s(std::uint8_t* out, const std::uint16_t* in, std::size_t count)
{
    if (count == 0)
        return;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, in, count * 2);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            PutU16(out + 2 * i, in[i]);
    }
}

} // namespace base::le
