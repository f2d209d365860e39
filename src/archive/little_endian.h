#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Word arrays as stored in the recording files (little-endian) and in memory.
namespace archive::le {

inline std::uint16_t ReadWord(const std::uint8_t* in)
{
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

inline void WriteWord(std::uint8_t* out, std::uint16_t value)
{
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void ReadWords(const std::uint8_t* in, std::uint16_t* out, std::size_t count)
{
    if (count == 0)
        return;   // empty buffers may have no storage at all
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, in, count * 2);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = ReadWord(in + 2 * i);
    }
}

inline void WriteWords(const std::uint16_t* in, std::uint8_t* out, std::size_t count)
{
    if (count == 0)
        return;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, in, count * 2);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            WriteWord(out + 2 * i, in[i]);
    }
}

} // namespace archive::le
