#pragma once

#include <cstdint>
#include <vector>

// Device-file bytes built word by word in the tests, independent of the
// library's own writer.
namespace handbuilt {

using Bytes = std::vector<std::uint8_t>;

inline void PutWord(Bytes& bytes, std::uint16_t word)
{
    bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
}

// year 2010, 17 March, 08:45:30 (day before month, minute before hour).
inline Bytes Header(std::uint16_t year = 2010, std::uint8_t day = 17, std::uint8_t month = 3,
                    std::uint8_t minute = 45, std::uint8_t hour = 8, std::uint8_t second = 30)
{
    return Bytes{static_cast<std::uint8_t>(year & 0xFF), static_cast<std::uint8_t>(year >> 8),
                 day, month, minute, hour, second, 0xA5};
}

// An ECG block whose samples are first, first + 1, ... (12-bit values).
inline void AppendEcgBlock(Bytes& bytes, std::uint16_t first)
{
    PutWord(bytes, 0xFFFF);
    PutWord(bytes, 0xC000);
    PutWord(bytes, 0x1234);
    for (int i = 0; i < 253; ++i)
        PutWord(bytes, static_cast<std::uint16_t>((first + i) & 0x0FFF));
}

inline void AppendSpO2Block(Bytes& bytes, std::uint16_t spo2, std::uint16_t pulse)
{
    PutWord(bytes, 0xFFFF);
    PutWord(bytes, 0xBC00);
    PutWord(bytes, 0x0042);
    PutWord(bytes, spo2);
    PutWord(bytes, pulse);
    for (int i = 5; i < 128; ++i)
        PutWord(bytes, static_cast<std::uint16_t>(i * 3));
}

inline std::vector<std::uint16_t> Words(const Bytes& bytes)
{
    std::vector<std::uint16_t> words(bytes.size() / 2);
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return words;
}

} // namespace handbuilt
