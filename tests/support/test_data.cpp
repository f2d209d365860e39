#include "test_data.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <system_error>

namespace testsupport {

std::filesystem::path TestDataDir() { return TAVO_TEST_DATA_DIR; }

std::string ReadRequiredText(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        ADD_FAILURE() << "missing test data file " << path.string();
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    std::string text;
    if (in.is_open())
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        ADD_FAILURE() << "cannot read test data file " << path.string();
        return {};
    }
    return text;
}

std::vector<std::uint8_t> ReadRequiredFile(const std::filesystem::path& path)
{
    const std::string text = ReadRequiredText(path);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

bool CopyRequiredFile(const std::filesystem::path& from, const std::filesystem::path& to)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(from, error)) {
        ADD_FAILURE() << "missing test data file " << from.string();
        return false;
    }
    std::filesystem::create_directories(to.parent_path(), error);
    if (!std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error)) {
        ADD_FAILURE() << "cannot copy test data file " << from.string() << " to " << to.string() << ": "
                      << error.message();
        return false;
    }
    return true;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path.string();
}

} // namespace testsupport
