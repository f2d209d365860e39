#include "child_process.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace testsupport {

ChildRun RunChild(const std::string& program, const std::vector<std::string>& arguments,
                  std::chrono::seconds timeout)
{
    QStringList qtArguments;
    for (const auto& argument : arguments)
        qtArguments << QString::fromStdString(argument);
    QProcess process;
    process.start(QString::fromStdString(program), qtArguments);
    const bool finished = process.waitForFinished(static_cast<int>(timeout.count() * 1000));
    EXPECT_TRUE(finished) << program << " did not finish within " << timeout.count() << " s";
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    ChildRun run;
    if (finished && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

} // namespace testsupport
