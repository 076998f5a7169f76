#include "common/failure.h"

#include <utility>

Failure::Failure(std::wstring text) : text_(std::move(text)) {}

const char* Failure::what() const noexcept
{
    return "net_send: operation failed";
}

std::wstring DescribeFailure(const std::wstring& whatFailed, const std::wstring& reason)
{
    if (reason.empty())
        return whatFailed + L".";
    return whatFailed + L":\n" + reason;
}
