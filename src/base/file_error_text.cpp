#include "base/file_error_text.h"

#include <cstring>

namespace base {

std::string FileErrorText(std::string_view what, const std::filesystem::path& path, int errorNumber)
{
    std::string text(what);
    text += " \"";
    text += path.string();
    text += "\": ";
    text += std::strerror(errorNumber);
    text += '.';
    return text;
}

} // namespace base
