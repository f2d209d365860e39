#include "archive/archive_paths.h"

#include "archive/file_utils.h"
#include "base/file_error_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

#include <sys/stat.h>

namespace archive {
namespace {

constexpr std::size_t kMaxCaseIdDigits = 10;
constexpr std::size_t kMaxArchiveNameBytes = 250; // leaves room for ".ECG" within NAME_MAX

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// code points beyond U+10FFFF).
bool IsUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5                  ? 4
                                                                                  : 0;
        if (length == 0 || i + length > text.size())
            return false;
        std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string ArchiveRootFor(const std::string& startDirectory)
{
    return WithoutTrailingSeparators(startDirectory) + "/" + std::string(kArchiveFolderName);
}

std::string ScratchFolderFor(const std::string& archiveRoot)
{
    const std::string root = WithoutTrailingSeparators(archiveRoot);
    const std::size_t lastSeparator = root.rfind('/');
    const std::string parent = lastSeparator == std::string::npos ? "." : root.substr(0, lastSeparator);
    return parent + "/" + std::string(kScratchFolderName);
}

base::Status PrepareScratchFolder(const std::string& scratchFolder)
{
    if (!CreateDirectoryTree(scratchFolder))
        return base::Status::Error(base::FileErrorText("Cannot create the folder", scratchFolder, errno));
    if (::chmod(scratchFolder.c_str(), S_IRWXU) != 0)
        return base::Status::Error(base::FileErrorText("Cannot protect the folder", scratchFolder, errno));
    return base::Status::Ok();
}

std::optional<std::string> ArchiveNameRefusal(std::string_view archiveName)
{
    if (archiveName.empty())
        return "the archive has no name";
    if (archiveName == "." || archiveName == "..")
        return "the archive name would leave the archive folder";
    if (archiveName.find_first_of("/\\") != std::string_view::npos)
        return "the archive name holds a path separator";
    if (std::any_of(archiveName.begin(), archiveName.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return "the archive name holds control characters";
    // The name is stored as text in the case table; bytes that are no text
    // would never compare equal to the card's name again.
    if (!IsUtf8(archiveName))
        return "the archive name is not valid UTF-8 text";
    if (archiveName.size() > kMaxArchiveNameBytes)
        return "the archive name is too long";
    return std::nullopt;
}

bool IsValidCaseId(std::string_view caseId)
{
    return !caseId.empty() && caseId.size() <= kMaxCaseIdDigits
        && std::all_of(caseId.begin(), caseId.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::string> CaseFolderPath(const std::string& archiveRoot, std::string_view caseId)
{
    if (!IsValidCaseId(caseId))
        return std::nullopt;
    return WithoutTrailingSeparators(archiveRoot) + "/" + std::string(caseId);
}

std::optional<std::string> CaseFilePath(const std::string& archiveRoot, std::string_view caseId,
                                        std::string_view fileName)
{
    auto folder = CaseFolderPath(archiveRoot, caseId);
    if (!folder)
        return std::nullopt;
    return *folder + "/" + std::string(fileName);
}

std::optional<std::filesystem::path> FindFileIgnoringCase(const std::filesystem::path& folder,
                                                          std::string_view fileName)
{
    if (fileName.empty() || fileName == "." || fileName == ".." || fileName.find('/') != std::string_view::npos)
        return std::nullopt;
    std::error_code error;
    if (std::filesystem::exists(folder / fileName, error))
        return folder / fileName;
    std::optional<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (EqualIgnoringCase(name, fileName) && (!found || name < found->filename().string()))
            found = entry.path();
    }
    return found;
}

} // namespace archive
