#pragma once

#include "temp_dir.h"

#include <filesystem>

// Runs each test in a fresh start directory and with the shared application
// state as it is at start-up.
class AppTest : public testing::Test {
protected:
    AppTest();
    ~AppTest() override;

    // Puts the shipped English.ini into the start directory and loads it.
    void UseShippedEnglish() const;

    testsupport::TempDir m_dir;

private:
    std::filesystem::path m_previousDir;
};
