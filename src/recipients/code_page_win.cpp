// The Windows build's code page: the system's ANSI code page (CP_ACP), 1251 on the machines we target.

#include "recipients/code_page.h"

#include "common/decimal.h"
#include "common/failure.h"
#include "common/system_reason.h"

#include <windows.h>

#include <climits>
#include <cstddef>

namespace {

// MultiByteToWideChar and WideCharToMultiByte count in int. Longer text is converted in pieces of this
// size; with a double-byte code page a piece boundary could split a character, but only in an entry
// of a gigabyte, which a 32-bit program cannot hold anyway.
constexpr std::size_t kMaxPiece = INT_MAX / 2;

std::wstring UnrepresentableText()
{
    return L"В имени есть знаки, которых нет в кодировке файла (ANSI, кодовая страница " + DecimalText(GetACP()) +
           L").";
}

// Converts bytes with no flags: every byte or byte sequence of the code page maps to a character
// (bytes the code page leaves undefined map to a control character or a private-use one), so the
// result never needs more wide characters than there are bytes.
void AppendWide(std::string_view bytes, std::wstring& out)
{
    while (!bytes.empty()) {
        // A view is not terminated: each call gets the count of the very view whose bytes it reads.
        const std::string_view piece = bytes.substr(0, kMaxPiece);
        const std::size_t at = out.size();
        out.resize(at + piece.size());
        const int made = MultiByteToWideChar(CP_ACP, 0, piece.data(), static_cast<int>(piece.size()),
                                             &out[at], static_cast<int>(piece.size()));
        if (made <= 0) {
            const unsigned long code = LastSystemError();
            const std::wstring what =
                L"Текст не удалось преобразовать из кодировки ANSI (кодовая страница " + DecimalText(GetACP()) + L")";
            throw Failure(DescribeFailure(what, SystemReason(code)));
        }
        out.resize(at + static_cast<std::size_t>(made));
        bytes.remove_prefix(piece.size());
    }
}

}  // namespace

void AnsiToWide(std::string_view bytes, std::wstring& out)
{
    out.clear();
    AppendWide(bytes, out);
}

std::wstring AnsiToWide(std::string_view bytes)
{
    std::wstring out;
    AppendWide(bytes, out);
    return out;
}

std::string WideToAnsi(std::wstring_view text)
{
    if (text.empty())
        return std::string();
    if (text.size() > kMaxPiece)
        throw Failure(UnrepresentableText());

    // With a UTF-8 ANSI code page (an option of newer Windows) the two "no substitute" flags are not
    // allowed; the round trip below still catches what UTF-8 cannot hold (lone surrogates).
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const usedDefaultOut = utf8 ? nullptr : &usedDefault;

    // The size above bounds the count, which both calls take from the view itself, never a terminator.
    const int needed = WideCharToMultiByte(CP_ACP, flags, text.data(), static_cast<int>(text.size()), nullptr,
                                           0, nullptr, usedDefaultOut);
    if (needed <= 0 || usedDefault)
        throw Failure(UnrepresentableText());
    std::string out(static_cast<std::size_t>(needed), '\0');
    usedDefault = FALSE;
    const int made = WideCharToMultiByte(CP_ACP, flags, text.data(), static_cast<int>(text.size()), &out[0],
                                         needed, nullptr, usedDefaultOut);
    if (made != needed || usedDefault)
        throw Failure(UnrepresentableText());

    // WC_NO_BEST_FIT_CHARS stops "best fit" look-alikes (α written as a), and lpUsedDefaultChar reports
    // the default character; converting back catches anything else that would not read back as typed.
    std::wstring back;
    AppendWide(out, back);
    if (back != text)
        throw Failure(UnrepresentableText());
    return out;
}
