#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

// What a finished command-line program gave back. exitCode is -1 when it did
// not exit by itself (crashed, killed, or over its time).
struct ChildRun {
    int exitCode = -1;
    std::string out;
    std::string err;

    std::string output() const { return out + err; }
};

// Runs one of the project's programs to its end, without a shell, and
// collects both of its output streams.
ChildRun RunChild(const std::string& program, const std::vector<std::string>& arguments,
                  std::chrono::seconds timeout = std::chrono::seconds(120));

// A text cut at its line breaks (no empty last line for a closing break).
std::vector<std::string> Lines(const std::string& text);

} // namespace testsupport
