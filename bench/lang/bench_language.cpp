// Look-ups in a language file of realistic size: about 600 lines, the
// STRING section first, then the dialog and menu sections.
#include "lang/language.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kStringKeys = 300;
constexpr int kDialogs = 13;
constexpr int kControlsPerDialog = 20;

class LanguageFolder {
public:
    LanguageFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bench_language.XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_folder = pattern;
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_folder);
        std::filesystem::create_directories("Language");
        std::ofstream file("Language/Bench.ini", std::ios::binary);
        file << "; bench language\n[STRING]\n";
        for (int i = 0; i < kStringKeys; ++i)
            file << "IDS_STR_" << i << "=Text number " << i << " of the string table\\tend\n";
        for (int d = 0; d < kDialogs; ++d) {
            file << "\n[IDD_DIALOG_" << d << "]\nCAPTION=Dialog " << d << "\n";
            for (int c = 0; c < kControlsPerDialog; ++c)
                file << "IDC" << c << "=Control " << c << "<40>\n";
        }
        file << "[IDR_LIST_SEL_COLUMN]\n";
        for (int i = 0; i < 12; ++i)
            file << "IDM-0" << i << "=Column " << i << "\n";
    }
    ~LanguageFolder()
    {
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_folder);
    }

private:
    std::filesystem::path m_folder;
    std::filesystem::path m_previous;
};

const CLanguage& Loaded()
{
    static LanguageFolder folder;
    static CLanguage language;
    static const int lines = language.LoadLanguage("Bench");
    if (lines < 550)
        std::abort();
    return language;
}

void BM_GetStringFirst(benchmark::State& state)
{
    const CLanguage& language = Loaded();
    for (auto _ : state)
        benchmark::DoNotOptimize(language.GetString("IDS_STR_0"));
}
BENCHMARK(BM_GetStringFirst);

void BM_GetStringMiddle(benchmark::State& state)
{
    const CLanguage& language = Loaded();
    for (auto _ : state)
        benchmark::DoNotOptimize(language.GetString("IDS_STR_150"));
}
BENCHMARK(BM_GetStringMiddle);

void BM_GetStringLast(benchmark::State& state)
{
    const CLanguage& language = Loaded();
    for (auto _ : state)
        benchmark::DoNotOptimize(language.GetString("IDS_STR_299"));
}
BENCHMARK(BM_GetStringLast);

void BM_GetStringMissing(benchmark::State& state)
{
    const CLanguage& language = Loaded();
    for (auto _ : state)
        benchmark::DoNotOptimize(language.GetString("IDS_STR_NONE"));
}
BENCHMARK(BM_GetStringMissing);

void BM_GetValueLastDialog(benchmark::State& state)
{
    const CLanguage& language = Loaded();
    std::string value;
    for (auto _ : state)
        benchmark::DoNotOptimize(language.GetValue("IDR_LIST_SEL_COLUMN", "IDM-011", value));
}
BENCHMARK(BM_GetValueLastDialog);

void BM_LoadLanguage(benchmark::State& state)
{
    Loaded();
    CLanguage language;
    for (auto _ : state)
        benchmark::DoNotOptimize(language.LoadLanguage("Bench"));
}
BENCHMARK(BM_LoadLanguage);

} // namespace
