#include "dispatch/send_command.h"

std::wstring ComposeSendCommand(const std::wstring& name, const std::wstring& message)
{
    return L"net send " + name + L" " + message;
}
