#include "archive/device_file_converter.h"

#include "archive/block_converter.h"
#include "base/fd_io.h"
#include "base/file_error_text.h"
#include "base/little_endian.h"
#include "base/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archive {
namespace {

// Chunks read per system call at most; each is still converted on its own,
// so the output is the same as with one 5120-byte read at a time.
constexpr std::size_t kChunksPerRead = 64;
constexpr std::size_t kMaxReadWords = kChunksPerRead * kConvertChunkWords;

// Words to read per call: the whole body (an odd last byte rounded up) when it
// is shorter than the largest read, so small files cost small buffers;
// otherwise the largest read, which is whole chunks. A source whose size is
// unknown (not a regular file) gets the largest read.
std::size_t ReadWordsFor(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return kMaxReadWords;
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t bodyBytes = size > kDeviceHeaderBytes ? size - kDeviceHeaderBytes : 0;
    return static_cast<std::size_t>(std::min<std::uint64_t>((bodyBytes + 1) / 2, kMaxReadWords));
}

// The most words the conversion of one read of `readWords` words (or fewer)
// can give, chunk by chunk.
std::size_t OutputWordsFor(std::size_t readWords, ConvertMode mode)
{
    return readWords / kConvertChunkWords * ConvertedWordsCapacity(kConvertChunkWords, mode)
        + ConvertedWordsCapacity(readWords % kConvertChunkWords, mode);
}

void ToHostOrder(std::uint16_t* words, std::size_t count)
{
    if constexpr (std::endian::native != std::endian::little) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(words);
        for (std::size_t i = 0; i < count; ++i)
            words[i] = base::le::GetU16(bytes + 2 * i);
    } else {
        (void)words;
        (void)count;
    }
}

void ToFileOrder(std::uint16_t* words, std::size_t count)
{
    if constexpr (std::endian::native != std::endian::little) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(words);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint16_t value = words[i];
            base::le::PutU16(bytes + 2 * i, value);
        }
    } else {
        (void)words;
        (void)count;
    }
}

// Removes a half-written destination when the copy does not complete.
class PartialFileGuard {
public:
    explicit PartialFileGuard(const std::filesystem::path& path) : m_path(path) {}
    ~PartialFileGuard()
    {
        if (!m_kept)
            ::unlink(m_path.c_str());
    }
    PartialFileGuard(const PartialFileGuard&) = delete;
    PartialFileGuard& operator=(const PartialFileGuard&) = delete;
    void Keep() { m_kept = true; }

private:
    const std::filesystem::path& m_path;
    bool m_kept = false;
};

} // namespace

base::Status CopyArchiveFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                       ConvertMode mode, std::stop_token stop)
{
    base::UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in)
        return base::Status::Error(base::FileErrorText("Cannot open the device file", source, errno));
    if (::lseek(in.get(), static_cast<off_t>(kDeviceHeaderBytes), SEEK_SET) < 0)
        return base::Status::Error(base::FileErrorText("Cannot read the device file", source, errno));

    base::UniqueFd out(::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!out)
        return base::Status::Error(base::FileErrorText("Cannot create", destination, errno));
    PartialFileGuard guard(destination);

    // A buffer smaller than the largest read holds the whole body: one read.
    std::vector<std::uint16_t> input(ReadWordsFor(in.get()));
    const bool wholeBody = input.size() < kMaxReadWords;
    std::vector<std::uint16_t> output(OutputWordsFor(input.size(), mode));
    const int modeCode = static_cast<int>(mode);
    while (true) {
        if (stop.stop_requested())
            return base::Status::Error("The conversion of " + source.filename().string() + " was stopped.");
        const std::int64_t got = base::ReadFull(in.get(), input.data(), input.size() * 2);
        if (got < 0)
            return base::Status::Error(base::FileErrorText("Cannot read the device file", source, errno));
        if (got == 0)
            break;
        const auto bytes = static_cast<std::size_t>(got);
        ToHostOrder(input.data(), bytes / 2);
        std::size_t written = 0;
        for (std::size_t offset = 0; offset < bytes; offset += kConvertChunkBytes) {
            const std::size_t chunkWords = std::min(kConvertChunkBytes, bytes - offset) / 2;
            written += ConvertBlocks(output.data() + written, input.data() + offset / 2,
                                     static_cast<long long>(chunkWords), modeCode);
        }
        ToFileOrder(output.data(), written);
        const std::span<const std::uint8_t> converted(reinterpret_cast<const std::uint8_t*>(output.data()), written * 2);
        if (!base::WriteAll(out.get(), converted))
            return base::Status::Error(base::FileErrorText("Cannot write", destination, errno));
        if (wholeBody || bytes < input.size() * 2)
            break;
    }
    if (!out.Close())
        return base::Status::Error(base::FileErrorText("Cannot write", destination, errno));
    guard.Keep();
    return base::Status::Ok();
}

} // namespace archive
