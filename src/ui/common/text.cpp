#include "ui/common/text.h"

#include "common/failure.h"

namespace ui {

std::wstring ReadText(HWND control)
{
    if (!IsWindow(control))
        throw Failure(L"Поле ввода недоступно.");
    const int length = GetWindowTextLengthW(control);
    if (length <= 0)
        return std::wstring();
    // The length may overstate (it can count a conversion's worst case), so trim to what was copied.
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

} // namespace ui
