// Feeds arbitrary bytes as a device file to the header reader and to the
// converter, both in memory and through real file descriptors, and checks
// that both paths agree and stay within their buffers.
#include "archive/block_converter.h"
#include "archive/device_file_converter.h"
#include "archive/device_header.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

std::vector<std::uint8_t> ConvertInMemory(const std::uint8_t* data, std::size_t size, archive::ConvertMode mode)
{
    std::vector<std::uint8_t> result;
    if (size <= archive::kDeviceHeaderBytes)
        return result;
    const std::uint8_t* body = data + archive::kDeviceHeaderBytes;
    const std::size_t bodySize = size - archive::kDeviceHeaderBytes;
    for (std::size_t offset = 0; offset < bodySize; offset += archive::kConvertChunkBytes) {
        const std::size_t words = std::min(archive::kConvertChunkBytes, bodySize - offset) / 2;
        std::vector<std::uint16_t> in(words);
        for (std::size_t i = 0; i < words; ++i)
            in[i] = static_cast<std::uint16_t>(body[offset + 2 * i] | (body[offset + 2 * i + 1] << 8));
        // Exactly sized: an overrun is a sanitizer report.
        std::vector<std::uint16_t> out(archive::ConvertedWordsCapacity(words, mode));
        const std::size_t written = archive::ConvertBlocks(out.data(), in.data(), static_cast<long long>(words),
                                                           static_cast<int>(mode));
        const std::size_t perBlock = mode == archive::ConvertMode::Ecg ? archive::kEcgSamplesPerBlock : 2;
        if (written > out.size() || written % perBlock != 0)
            std::abort();
        for (std::size_t i = 0; i < written; ++i) {
            result.push_back(static_cast<std::uint8_t>(out[i]));
            result.push_back(static_cast<std::uint8_t>(out[i] >> 8));
        }
    }
    return result;
}

class MemoryFile {
public:
    MemoryFile() : m_fd(::memfd_create("device", 0)) {}
    ~MemoryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool ok() const { return m_fd >= 0; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd); }
    bool Write(const std::uint8_t* data, std::size_t size) const
    {
        return ::pwrite(m_fd, data, size, 0) == static_cast<ssize_t>(size);
    }
    std::vector<std::uint8_t> Read() const
    {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(::lseek(m_fd, 0, SEEK_END)));
        if (::pread(m_fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
            std::abort();
        return bytes;
    }

private:
    int m_fd;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size >= archive::kDeviceHeaderBytes) {
        std::array<std::uint8_t, archive::kDeviceHeaderBytes> raw{};
        std::memcpy(raw.data(), data, raw.size());
        const archive::DeviceHeader header = archive::DecodeDeviceHeader(raw);
        if (archive::EncodeDeviceHeader(header) != raw)
            std::abort();
        const archive::DateTime now{2026, 1, 1, 0, 0, 0};
        if (!archive::IsValidDateTime(archive::StartTimeOf(header, now)))
            std::abort();
    }

    MemoryFile source;
    if (!source.ok() || !source.Write(data, size))
        return 0;
    for (const auto mode : {archive::ConvertMode::Ecg, archive::ConvertMode::SpO2}) {
        const std::vector<std::uint8_t> expected = ConvertInMemory(data, size, mode);
        MemoryFile destination;
        if (!destination.ok())
            return 0;
        if (!archive::CopyArchiveFile(source.path(), destination.path(), mode).ok())
            std::abort();
        if (destination.Read() != expected)
            std::abort();
    }
    return 0;
}
