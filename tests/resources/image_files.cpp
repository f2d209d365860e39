#include "image_files.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace resourcetest {

namespace {

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::uint32_t LittleEndian32(const std::uint8_t* p)
{
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

std::uint16_t LittleEndian16(const std::uint8_t* p) { return std::uint16_t(p[1] << 8 | p[0]); }

std::uint32_t Crc32(const std::uint8_t* data, size_t size)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::uint8_t Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return std::uint8_t(a);
    return std::uint8_t(pb <= pc ? b : c);
}

// Undoes the PNG row filters in place; false on an unknown filter type.
bool Unfilter(const std::uint8_t* raw, int width, int height, std::vector<std::uint8_t>& out)
{
    const size_t stride = size_t(width) * 4;
    out.assign(stride * size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t filter = raw[y * (stride + 1)];
        const std::uint8_t* in = raw + y * (stride + 1) + 1;
        std::uint8_t* row = out.data() + y * stride;
        const std::uint8_t* up = y > 0 ? row - stride : nullptr;
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= 4 ? row[i - 4] : 0;
            const int b = up ? up[i] : 0;
            const int c = (up && i >= 4) ? up[i - 4] : 0;
            int predictor = 0;
            switch (filter) {
            case 0: predictor = 0; break;
            case 1: predictor = a; break;
            case 2: predictor = b; break;
            case 3: predictor = (a + b) / 2; break;
            case 4: predictor = Paeth(a, b, c); break;
            default: return false;
            }
            row[i] = std::uint8_t(in[i] + predictor);
        }
    }
    return true;
}

} // namespace

int RgbaImage::opaquePixels() const
{
    int count = 0;
    for (size_t i = 3; i < pixels.size(); i += 4)
        count += pixels[i] != 0;
    return count;
}

std::string ReadRgbaPng(const std::filesystem::path& path, RgbaImage& image)
{
    const std::vector<std::uint8_t> file = ReadBytes(path);
    static constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), file.begin()))
        return "no PNG signature";

    QByteArray compressed;
    bool haveHeader = false, haveEnd = false;
    for (size_t pos = kSignature.size(); pos < file.size();) {
        if (haveEnd)
            return "data after IEND";
        if (file.size() - pos < 12)
            return "truncated chunk";
        const std::uint32_t length = BigEndian32(&file[pos]);
        if (length > file.size() - pos - 12)
            return "chunk runs past the end of the file";
        const std::uint8_t* type = &file[pos + 4];
        const std::uint8_t* data = type + 4;
        if (Crc32(type, length + 4) != BigEndian32(data + length))
            return "bad CRC in chunk " + std::string(reinterpret_cast<const char*>(type), 4);
        const std::string name(reinterpret_cast<const char*>(type), 4);
        if (!haveHeader && name != "IHDR")
            return "first chunk is not IHDR";
        if (name == "IHDR") {
            if (length != 13)
                return "IHDR of the wrong size";
            image.width = int(BigEndian32(data));
            image.height = int(BigEndian32(data + 4));
            if (data[8] != 8 || data[9] != 6 || data[10] != 0 || data[11] != 0 || data[12] != 0)
                return "not an 8-bit non-interlaced RGBA image";
            if (image.width <= 0 || image.height <= 0 || image.width > 4096 || image.height > 4096)
                return "implausible size";
            haveHeader = true;
        } else if (name == "IDAT") {
            compressed.append(reinterpret_cast<const char*>(data), qsizetype(length));
        } else if (name == "IEND") {
            haveEnd = true;
        }
        pos += 12 + length;
    }
    if (!haveEnd)
        return "no IEND chunk";

    // qUncompress wants the expected size in front of the zlib stream.
    const std::uint32_t rawSize = std::uint32_t(image.height) * (1 + std::uint32_t(image.width) * 4);
    QByteArray framed(4, '\0');
    framed[0] = char(rawSize >> 24);
    framed[1] = char(rawSize >> 16);
    framed[2] = char(rawSize >> 8);
    framed[3] = char(rawSize);
    framed.append(compressed);
    const QByteArray raw = qUncompress(framed);
    if (raw.size() != qsizetype(rawSize))
        return "image data does not inflate to " + std::to_string(rawSize) + " bytes";
    if (!Unfilter(reinterpret_cast<const std::uint8_t*>(raw.constData()), image.width, image.height,
                  image.pixels))
        return "unknown row filter";
    return {};
}

std::string ReadBmp(const std::filesystem::path& path, BmpInfo& info)
{
    const std::vector<std::uint8_t> file = ReadBytes(path);
    constexpr size_t kHeaders = 14 + 40;
    if (file.size() < kHeaders || file[0] != 'B' || file[1] != 'M')
        return "no BMP signature";
    if (LittleEndian32(&file[2]) != file.size())
        return "file size field differs from the file's size";
    const std::uint32_t offset = LittleEndian32(&file[10]);
    if (LittleEndian32(&file[14]) != 40)
        return "info header is not 40 bytes";
    info.width = int(LittleEndian32(&file[18]));
    info.height = int(LittleEndian32(&file[22]));
    info.bitsPerPixel = LittleEndian16(&file[28]);
    if (LittleEndian16(&file[26]) != 1)
        return "planes is not 1";
    if (LittleEndian32(&file[30]) != 0)
        return "compressed";
    if (info.width <= 0 || info.height == 0 || info.bitsPerPixel % 8 != 0 || info.bitsPerPixel == 0)
        return "implausible size or depth";
    const size_t stride = (size_t(info.width) * size_t(info.bitsPerPixel) / 8 + 3) & ~size_t(3);
    const size_t rows = size_t(std::abs(info.height));
    if (offset < kHeaders || offset > file.size() || file.size() - offset < stride * rows)
        return "pixel data does not match the header";
    info.pixels.assign(file.begin() + offset, file.begin() + offset + std::ptrdiff_t(stride * rows));
    return {};
}

} // namespace resourcetest
