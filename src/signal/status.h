#pragma once

#include <string>
#include <utility>

// Outcome of an operation that can fail: success, or the text of the failure.
class Status {
public:
    static Status Ok() { return Status(); }
    static Status Failure(std::string text) { return Status(std::move(text)); }

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }

private:
    Status() = default;
    explicit Status(std::string text) : m_error(text.empty() ? "unknown failure" : std::move(text)) {}

    std::string m_error;
};
