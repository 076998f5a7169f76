#include "common/failure.h"

#include <utility>

Failure::Failure(std::wstring text) : std::runtime_error("operation failed"), text_(std::move(text)) {}

std::wstring DescribeFailure(const std::wstring& whatFailed, const std::wstring& reason)
{
    if (reason.empty())
        return whatFailed + L".";
    return whatFailed + L":\n" + reason;
}
