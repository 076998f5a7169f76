#pragma once

#include <exception>
#include <string>

// An operation that could not be done. Text() is meant for the user: it says what failed and carries
// the system's own reason where there is one. The narrow what() only says that it is one of ours: the
// program never shows narrow text, and std::runtime_error would pull a second string implementation
// into the exe.
class Failure : public std::exception {
public:
    explicit Failure(std::wstring text);

    const std::wstring& Text() const noexcept { return text_; }
    const char* what() const noexcept override;

private:
    std::wstring text_;
};

// Joins "what failed" and the system's reason into one sentence for the user.
std::wstring DescribeFailure(const std::wstring& whatFailed, const std::wstring& reason);
