#include "command_line.h"

#include <QCommandLineParser>
#include <QStringList>

#include <cstdio>

namespace cli {
namespace {

QString FromLocal(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::vector<std::string> ToLocal(const QStringList& texts)
{
    std::vector<std::string> result;
    for (const QString& text : texts)
        result.push_back(text.toLocal8Bit().toStdString());
    return result;
}

std::string Dashed(const std::string& name)
{
    return (name.size() == 1 ? "-" : "--") + name;
}

} // namespace

CommandLine::CommandLine(std::vector<Option> options)
    : m_options(std::move(options)), m_parser(std::make_unique<QCommandLineParser>())
{
    m_options.push_back({{"h", "help"}});
    m_options.push_back({{"version"}});
    for (const Option& option : m_options) {
        QStringList names;
        for (const std::string& name : option.names)
            names << FromLocal(name);
        m_parser->addOption(QCommandLineOption(names, {}, option.takesValue ? QStringLiteral("value") : QString()));
    }
}

CommandLine::~CommandLine() = default;

const Option* CommandLine::Find(const std::string& argument) const
{
    for (const Option& option : m_options) {
        for (const std::string& name : option.names) {
            if (argument == Dashed(name))
                return &option;
        }
    }
    return nullptr;
}

std::optional<Stop> CommandLine::Parse(const std::vector<std::string>& arguments)
{
    // QCommandLineParser takes any next argument as the value, "--" and
    // "--list" included; such a value is far more often a forgotten one.
    std::optional<std::string> refusal;
    for (std::size_t i = 0; i < arguments.size() && arguments[i] != "--" && !refusal; ++i) {
        const std::string& argument = arguments[i];
        const std::string name = argument.substr(0, argument.find('='));
        if (const Option* flag = Find(name); flag != nullptr && !flag->takesValue && name != argument) {
            refusal = name + " takes no value.";
            break;
        }
        const Option* option = Find(argument);
        if (option == nullptr || !option->takesValue)
            continue;
        if (i + 1 == arguments.size() || (arguments[i + 1].size() > 1 && arguments[i + 1][0] == '-'))
            refusal = arguments[i] + " needs a value.";
        ++i;
    }
    QStringList list{QStringLiteral("tool")};
    for (const std::string& argument : arguments)
        list << FromLocal(argument);
    const bool parsed = m_parser->parse(list);

    if (m_parser->isSet(QStringLiteral("help")))
        return HelpWanted{};
    if (m_parser->isSet(QStringLiteral("version")))
        return VersionWanted{};
    if (refusal)
        return *refusal;
    if (!m_parser->unknownOptionNames().isEmpty())
        return "Unknown option \"" + Dashed(m_parser->unknownOptionNames().front().toLocal8Bit().toStdString())
            + "\" (see --help).";
    if (!parsed)
        return m_parser->errorText().toLocal8Bit().toStdString();
    for (const Option& option : m_options) {
        if (option.takesValue && !option.repeatable && Values(option.names.front()).size() > 1)
            return Dashed(option.names.back()) + " may be given only once.";
    }
    return std::nullopt;
}

bool CommandLine::IsSet(const std::string& name) const
{
    return m_parser->isSet(FromLocal(name));
}

std::optional<std::string> CommandLine::Value(const std::string& name) const
{
    if (!IsSet(name))
        return std::nullopt;
    return m_parser->value(FromLocal(name)).toLocal8Bit().toStdString();
}

std::vector<std::string> CommandLine::Values(const std::string& name) const
{
    return ToLocal(m_parser->values(FromLocal(name)));
}

std::vector<std::string> CommandLine::Positional() const
{
    return ToLocal(m_parser->positionalArguments());
}

std::vector<std::string> CommandLine::Given() const
{
    std::vector<std::string> given;
    for (const std::string& found : ToLocal(m_parser->optionNames())) {
        const Option* option = Find(Dashed(found));
        if (option != nullptr)
            given.push_back(option->names.front());
    }
    return given;
}

int Report(const Stop& stop, const char* tool, const std::string& helpText)
{
    if (std::holds_alternative<HelpWanted>(stop)) {
        std::fputs(helpText.c_str(), stdout);
        return 0;
    }
    if (std::holds_alternative<VersionWanted>(stop)) {
        std::printf("%s %s\n", tool, TAVO_VERSION);
        return 0;
    }
    std::fprintf(stderr, "%s: %s\n", tool, std::get<std::string>(stop).c_str());
    return 2;
}

} // namespace cli
