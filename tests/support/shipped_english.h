#pragma once

#include "language_files.h"
#include "lang/language.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace testsupport {

// Every test of an executable that includes this header runs with the shipped
// English texts in its start folder and loaded, as a clinician sees them.
class ShippedEnglish : public testing::Environment {
    void SetUp() override
    {
        InstallShippedEnglish(std::filesystem::current_path());
        ASSERT_GT(g_Language.LoadLanguage("English"), 0);
    }
};
inline testing::Environment* const g_shippedEnglish = testing::AddGlobalTestEnvironment(new ShippedEnglish);

} // namespace testsupport
