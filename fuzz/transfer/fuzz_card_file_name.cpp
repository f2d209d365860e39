#include "archive/archive_paths.h"
#include "transfer/card_file_name.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// A card's file names are untrusted: an accepted archive name must never be
// able to lead out of a folder.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view fileName(reinterpret_cast<const char*>(data), size);
    (void)cardname::DeviceFileKind(fileName);
    const std::string name = cardname::ArchiveName(fileName);
    if (!archive::ArchiveNameRefusal(name)) {
        if (name.empty() || name == ".." || name.find('/') != std::string::npos || name.find('.') != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
