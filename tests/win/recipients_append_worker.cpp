// Helper program for recipients_file_test.cpp (not a test itself): appends names to the recipient file
// in its current directory, as a separate instance of the program would.
//
//   recipients_append_worker.exe <worker number> <count>
//
// appends the names "ПК-<worker number>-<i>" for i = 0 .. count-1, one AppendRecipient call each.
// Exit code: 0 when every name was saved, 1 on the first failure (its text goes to standard error),
// 2 on bad arguments.

#include "common/failure.h"
#include "recipients/recipient_file.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const int worker = std::atoi(argv[1]);
    const int count = std::atoi(argv[2]);
    if (worker < 0 || count < 0)
        return 2;
    try {
        for (int i = 0; i < count; ++i)
            AppendRecipient(L"ПК-" + std::to_wstring(worker) + L"-" + std::to_wstring(i));
    } catch (const Failure& failure) {
        const std::wstring& text = failure.Text();
        DWORD written = 0;
        WriteConsoleW(GetStdHandle(STD_ERROR_HANDLE), text.c_str(), static_cast<DWORD>(text.size()), &written,
                      nullptr);
        return 1;
    }
    return 0;
}
