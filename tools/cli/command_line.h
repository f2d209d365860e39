#pragma once

// The command line of every tool, one set of rules over QCommandLineParser:
//   --help, -h   the tool prints its help text on stdout; exit status 0
//   --version    "<tool> <version>" on stdout; exit status 0
//   bad usage    one line "<tool>: <reason>" on stderr; exit status 2
// A value comes as "--name value" or "--name=value"; a separate value that
// starts with "-" counts as missing (a forgotten value, not a value), and a
// value option given twice is refused unless it is repeatable. Everything
// after "--" is a positional argument.

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class QCommandLineParser;

namespace cli {

struct Option {
    std::vector<std::string> names; // without dashes: "home", or "q" and "quiet"
    bool takesValue = false;
    bool repeatable = false;        // a value option that may be given more than once
};

struct HelpWanted {};
struct VersionWanted {};

// Why a tool does not run: help, its version, or why the arguments are refused.
using Stop = std::variant<HelpWanted, VersionWanted, std::string>;

// What a tool's parse function returns: its options, or why it does not run.
template <typename Options>
using Parsed = std::variant<Options, Stop>;

class CommandLine {
public:
    explicit CommandLine(std::vector<Option> options);
    ~CommandLine();

    // `arguments` without the program name; std::nullopt when the tool runs.
    [[nodiscard]] std::optional<Stop> Parse(const std::vector<std::string>& arguments);

    bool IsSet(const std::string& name) const;
    // The value of a given option, std::nullopt when it was not given.
    std::optional<std::string> Value(const std::string& name) const;
    std::vector<std::string> Values(const std::string& name) const;
    std::vector<std::string> Positional() const;
    // The options given, by their first name, in the order given.
    std::vector<std::string> Given() const;

private:
    const Option* Find(const std::string& argument) const;

    std::vector<Option> m_options;
    std::unique_ptr<QCommandLineParser> m_parser; // Qt's "signals" macro stays out of the tools
};

// Prints what `stop` asks for and returns the tool's exit status.
int Report(const Stop& stop, const char* tool, const std::string& helpText);

} // namespace cli
