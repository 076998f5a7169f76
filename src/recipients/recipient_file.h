#pragma once

#include <functional>
#include <string>

// One computer name exactly as the user typed or picked it: no trimming and no validation.
using RecipientName = std::wstring;

// The saved names live in this file in the current directory, resolved afresh on every call.
inline constexpr wchar_t kRecipientFileName[] = L"net_send.ini";

// Failures of both operations are thrown as Failure, its text whole for the user: what failed, the file
// by its full path, then the reason.

// Delivers every saved name, in file order, one at a time. A missing file holds no names. On a failure
// the names delivered so far stay delivered.
void ReadRecipients(const std::function<void(const RecipientName&)>& deliver);

// Adds the name as a new last line. When it could not be saved the file keeps every byte it had,
// unless a part of the line got in and could not be taken back, which the Failure's text then says,
// with what the user can do about it.
void AppendRecipient(const RecipientName& name);
