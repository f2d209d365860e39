// Arbitrary bytes as a language file. The first byte gives the length of a
// key taken from the next bytes; the rest is the file. The file is loaded
// through the real folder layout and looked up in several ways.
#include "lang/language.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A scratch folder holding Language/, removed at exit.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_language.XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
        std::filesystem::create_directories(m_path / "Language");
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

const std::filesystem::path& Scratch()
{
    static const ScratchFolder folder;
    return folder.path();
}

// The language folder is found from the current folder; libFuzzer's own
// relative paths need the caller's, so it is entered only for the load.
int LoadInScratchFolder(CLanguage& language)
{
    const std::filesystem::path caller = std::filesystem::current_path();
    std::filesystem::current_path(Scratch());
    const int lines = language.LoadLanguage("Fuzz");
    std::filesystem::current_path(caller);
    return lines;
}

void Check(const CLanguage& language, int lines, std::string_view section, std::string_view key)
{
    std::string value = "x";
    const int found = language.GetValue(section, key, value);
    if (found < -2 || found >= lines || (found < 0 && !value.empty()))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t keyLength = std::min<std::size_t>(data[0] % 32, size - 1);
    const std::string key(reinterpret_cast<const char*>(data) + 1, keyLength);
    const char* file = reinterpret_cast<const char*>(data) + 1 + keyLength;
    std::ofstream(Scratch() / "Language" / "Fuzz.ini", std::ios::binary | std::ios::trunc)
        .write(file, static_cast<std::streamsize>(size - 1 - keyLength));

    CLanguage language;
    const int lines = LoadInScratchFolder(language);
    Check(language, lines, "STRING", key);
    Check(language, lines, key, "CAPTION");
    Check(language, lines, key, key);
    Check(language, lines, "IDD_SETTING_ALARM", "IDC0");
    language.GetString("IDS_STR_WARNING");
    language.GetString(key);
    return 0;
}
