#include "recipients/recipient_file.h"

#include "common/failure.h"
#include "common/system_reason.h"
#include "recipients/code_page.h"
#include "recipients/file_access.h"
#include "recipients/list_input.h"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>

namespace {

const std::wstring& FileName()
{
    static const std::wstring name(kRecipientFileName);
    return name;
}

std::wstring ReadFailed()
{
    return L"Не удалось прочитать файл " + FileName();
}

// Said after the reason when a failed write could not be taken back.
const wchar_t kPartLineLeft[] =
    L"\nЗаписанную часть строки убрать не удалось: в конце файла может остаться часть имени.";

std::wstring AppendFailed()
{
    return L"Не удалось сохранить имя в файле " + FileName();
}

std::wstring ReasonFor(const FileError& error)
{
    if (error.code == kNotADiskFile)
        return L"Это не файл на диске, а канал или устройство: имена хранятся только в обычном файле.";
    return SystemReason(error.code);
}

[[noreturn]] void ThrowFailure(const std::wstring& whatFailed, const FileError& error)
{
    throw Failure(DescribeFailure(whatFailed, ReasonFor(error)));
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

}  // namespace

void ReadRecipients(const std::function<void(const RecipientName&)>& deliver)
{
    InputFile file;
    try {
        if (!file.Open(FileName()))
            return;  // a missing file simply holds no names yet
    } catch (const FileError& error) {
        ThrowFailure(ReadFailed(), error);
    }

    // One wide string is reused for every entry, so an entry costs no allocation once the string has
    // grown to the longest name. File errors are translated here, and memory that runs out, here or in
    // `deliver` (a file larger than the memory the program can have, or one endless line): either way
    // the names delivered so far stay delivered and the rest of the file is not read. Whatever else
    // `deliver` throws passes through unchanged.
    RecipientName name;
    const auto read = [&file](char* buffer, std::size_t size) {
        try {
            return file.Read(buffer, size);
        } catch (const FileError& error) {
            ThrowFailure(ReadFailed(), error);
        }
    };
    try {
        ReadListInput(read, [&](std::string_view bytes) {
            AnsiToWide(bytes, name);
            deliver(name);
        });
    } catch (const std::bad_alloc&) {
        // With the reader's buffers gone and this one let go there is room again for the text.
        RecipientName().swap(name);
        ThrowFailure(ReadFailed(), FileError{OutOfMemoryError()});
    }
}

void AppendRecipient(const RecipientName& name)
{
    // Converted before the file is touched: a name the code page cannot hold leaves the file as it was.
    std::string line;
    try {
        line = WideToAnsi(name);
    } catch (const Failure& failure) {
        throw Failure(DescribeFailure(AppendFailed(), failure.Text()));
    }
    line += "\r\n";

    try {
        AppendFile file(FileName());  // waits a while for other appenders, in this process or another
        const std::uint64_t oldSize = file.Size();
        // A last line without a line end (a file edited by hand) is ended first, so two names never join.
        if (oldSize > 0 && !IsLineEnd(file.ByteAt(oldSize - 1)))
            line.insert(0, "\r\n");
        try {
            file.Append(line);
        } catch (const FileError& error) {
            // Take back whatever part of the line got in; the file then keeps exactly its old bytes.
            if (!file.TruncateTo(oldSize))
                throw Failure(DescribeFailure(AppendFailed(), SystemReason(error.code) + kPartLineLeft));
            throw;
        }
        file.Close();
    } catch (const FileError& error) {
        ThrowFailure(AppendFailed(), error);
    }
}
