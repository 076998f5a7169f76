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

// Longer names (a pasted paragraph, say) are cut in the message, which must stay readable; computer
// names are far shorter.
constexpr std::size_t kNameShownAtMost = 60;

std::wstring Quoted(const RecipientName& name)
{
    if (name.size() <= kNameShownAtMost)
        return L"«" + name + L"»";
    std::size_t shown = kNameShownAtMost;
    if (name[shown - 1] >= 0xD800 && name[shown - 1] <= 0xDBFF)
        --shown;  // not half a character
    return L"«" + name.substr(0, shown) + L"…»";
}

// What the user reads: what failed, the file by its full path (the current folder decides where it is,
// and the user may not know which one that is), then why. Every failure of one operation opens with the
// same two lines; only the reason below them differs.
Failure FileFailure(const std::wstring& whatFailed, const std::wstring& reason)
{
    return Failure(whatFailed + L"\nФайл: " + FullPathOf(FileName()) + L"\n\n" + reason);
}

Failure ReadFailure(const std::wstring& reason)
{
    return FileFailure(L"Не удалось прочитать сохранённые имена компьютеров.", reason);
}

Failure AppendFailure(const RecipientName& name, const std::wstring& reason)
{
    return FileFailure(L"Не удалось добавить имя " + Quoted(name) + L" в список.", reason);
}

// Said after the reason when a failed write could not be taken back.
const wchar_t kPartLineLeft[] =
    L"\n\nВ конце файла могла остаться часть этого имени. Откройте файл в Блокноте, удалите неполную "
    L"последнюю строку, если она там есть, и сохраните файл.";

// The reason below the two opening lines: the system's own, or ours where the system has none.
std::wstring ReasonFor(const FileError& error)
{
    if (error.code == kNotADiskFile)
        return L"Это не файл на диске, а канал или устройство: имена хранятся только в обычном файле.";
    return SystemReason(error.code);
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
        throw ReadFailure(ReasonFor(error));
    }

    // One wide string is reused for every entry, so an entry costs no allocation once the string has
    // grown to the longest name. File and conversion errors are translated here, and memory that runs
    // out, here or in `deliver` (a file larger than the memory the program can have, or one endless
    // line): either way the names delivered so far stay delivered and the rest of the file is not read.
    // Whatever else
    // `deliver` throws passes through unchanged.
    RecipientName name;
    const auto read = [&file](char* buffer, std::size_t size) {
        try {
            return file.Read(buffer, size);
        } catch (const FileError& error) {
            throw ReadFailure(ReasonFor(error));
        }
    };
    try {
        ReadListInput(read, [&](std::string_view bytes) {
            try {
                AnsiToWide(bytes, name);
            } catch (const Failure& failure) {
                throw ReadFailure(failure.Text());
            }
            deliver(name);
        });
    } catch (const std::bad_alloc&) {
        // With the reader's buffers gone and this one let go there is room again for the text.
        RecipientName().swap(name);
        throw ReadFailure(SystemReason(OutOfMemoryError()));
    }
}

void AppendRecipient(const RecipientName& name)
{
    // Converted before the file is touched: a name the code page cannot hold leaves the file as it was.
    std::string line;
    try {
        line = WideToAnsi(name);
    } catch (const Failure& failure) {
        throw AppendFailure(name, failure.Text());
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
                throw AppendFailure(name, ReasonFor(error) + kPartLineLeft);
            throw;
        }
        file.Close();
    } catch (const FileError& error) {
        throw AppendFailure(name, ReasonFor(error));
    }
}
