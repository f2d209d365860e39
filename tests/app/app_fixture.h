#pragma once

#include "temp_dir.h"

#include <QString>
#include <filesystem>
#include <functional>
#include <string>

class QWidget;

// Runs each test in a fresh start directory and with the shared application
// state as it is at start-up.
class AppTest : public testing::Test {
protected:
    AppTest();
    ~AppTest() override;

    // Writes Language/<name>.ini into the start directory.
    void WriteLanguage(const std::string& name, const std::string& content) const;
    // Writes the language file and loads it into g_Language.
    void UseLanguage(const std::string& name, const std::string& content) const;

    testsupport::TempDir m_dir;

private:
    std::filesystem::path m_previousDir;
};

// Once the next modal window is open (a message box or dialog), hands it to
// `answer`; used to drive the windows a command opens.
void WhenModalOpens(std::function<void(QWidget*)> answer);

// A language file with the toolbar texts and the texts the frame's windows use.
extern const char* const kToolbarLanguage;
