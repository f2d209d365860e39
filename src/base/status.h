#pragma once

#include <string>
#include <utility>

namespace base {

// Success, or the reason for a failure in words a user can read.
class [[nodiscard]] Status {
public:
    static Status Ok() { return Status(); }
    static Status Error(std::string text) { return Status(std::move(text)); }

    bool ok() const { return m_error.empty(); }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return m_error; }

private:
    Status() = default;
    explicit Status(std::string text) : m_error(text.empty() ? "unknown error" : std::move(text)) {}

    std::string m_error;
};

} // namespace base
