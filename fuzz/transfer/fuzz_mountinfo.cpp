#include "transfer/removable_media.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const MountEntry& mount : ParseMountInfo(text)) {
        if (mount.mountPoint.size() > size || mount.source.size() > size)
            __builtin_trap();
    }
    return 0;
}
