#pragma once

#include <stdexcept>
#include <string>

// An operation that could not be done. Text() is meant for the user: it says what failed and carries
// the system's own reason where there is one. The narrow what() is for logs and test output only.
class Failure : public std::runtime_error {
public:
    explicit Failure(std::wstring text);

    const std::wstring& Text() const noexcept { return text_; }

private:
    std::wstring text_;
};

// Joins "what failed" and the system's reason into one sentence for the user.
std::wstring DescribeFailure(const std::wstring& whatFailed, const std::wstring& reason);
