#include "ui/common/form.h"

#include "common/failure.h"
#include "common/system_reason.h"
#include "ui/common/accessible.h"
#include "ui/common/late_bound.h"

#include <algorithm>
#include <commctrl.h>
#include <cstring>
#include <numeric>
#include <oleacc.h>
#include <string>

namespace ui {
namespace {

struct ControlClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

// Every control clips its siblings so that one never paints over another lying in front of it
// (cmdSend over the corner of txtMessage).
ControlClass ClassOf(const ControlRow& control)
{
    const DWORD common = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    switch (control.kind) {
    case ControlKind::Label:
        return {L"STATIC", common | SS_NOPREFIX | (control.centred ? SS_CENTER : SS_LEFT), 0};
    case ControlKind::EditableCombo:
        return {L"COMBOBOX", common | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0};
    case ControlKind::MultiLineEdit:
        return {L"EDIT", common | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::PictureButton:
        return {L"BUTTON", common | WS_TABSTOP | BS_OWNERDRAW, 0};
    case ControlKind::Image:
        return {L"STATIC", common | SS_OWNERDRAW, 0};
    }
    return {L"STATIC", common, 0};
}

// An owner-drawn button paints no text, so its window text is free to carry its name, which is where every
// screen reader looks for a button's name.
const wchar_t* WindowText(const FormTable& table, const ControlRow& row)
{
    const wchar_t* name = row.kind == ControlKind::PictureButton ? AccessibleName(table, row) : nullptr;
    return name ? name : row.text;
}

// Fields named by a label, the picture buttons and the decorative picture answer screen readers
// themselves: a button says it is a push button even where the system's object would call an owner-drawn
// one a plain client area. Without that (the runtime missing, the subclass refused) they simply keep the
// system's own answer.
void MakeAccessible(const FormTable& table, const ControlRow& row, HWND control)
{
    AccessibleAnswer answer;
    switch (row.kind) {
    case ControlKind::PictureButton:
        answer.role = ROLE_SYSTEM_PUSHBUTTON; // named by its window text
        break;
    case ControlKind::Image:
        answer.role = ROLE_SYSTEM_GRAPHIC; // decorative: no name
        break;
    default:
        answer.name = AccessibleName(table, row);
        break;
    }
    if (answer.name || answer.role != 0)
        AnswerAccessibility(control, answer);
}

const wchar_t kNoMenuBar[] = L"Windows не создала строку меню";

// A control as the user knows it, in the system's own words for its kind (in the accusative, after "не
// создала"), with the text it shows or is named by; the table's name follows for whoever helps the user.
std::wstring InUserWords(const FormTable& table, const ControlRow& row)
{
    std::wstring words;
    switch (row.kind) {
    case ControlKind::Label:
        words = L"надпись";
        break;
    case ControlKind::EditableCombo:
        words = L"поле со списком";
        break;
    case ControlKind::MultiLineEdit:
        words = L"поле";
        break;
    case ControlKind::PictureButton:
        words = L"кнопку";
        break;
    case ControlKind::Image:
        words = L"рисунок";
        break;
    }
    const wchar_t* const named = row.kind == ControlKind::Label ? row.text : AccessibleName(table, row);
    std::wstring shown = named ? named : L"";
    if (!shown.empty() && shown.back() == L':')
        shown.pop_back(); // a label's colon is no part of the name
    if (!shown.empty())
        words += L" «" + shown + L"»";
    return words + L" (" + std::wstring(row.name, row.name + std::strlen(row.name)) + L")";
}

} // namespace

MenuHandle BuildMenuBar(const FormTable& table)
{
    if (table.menuCount == 0)
        return MenuHandle();
    MenuHandle menu(CreateMenu());
    if (!menu)
        throw Failure(DescribeFailure(kNoMenuBar, LastSystemReason()));
    for (std::size_t i = 0; i < table.menuCount; ++i) {
        const MenuEntry& entry = table.menu[i];
        if (!AppendMenuW(menu.Get(), MF_STRING, static_cast<UINT_PTR>(entry.id), entry.caption))
            throw Failure(DescribeFailure(kNoMenuBar, LastSystemReason()));
    }
    return menu;
}

HWND Form::Control(int id) const
{
    const int index = FindControl(table_, id);
    return index >= 0 && static_cast<std::size_t>(index) < controls_.size() ? controls_[index] : nullptr;
}

void Form::Create(HWND window)
{
    window_ = window;
    controls_.assign(table_.controlCount, nullptr);

    if (table_.colours.custom)
        AddBrush(table_.colours.groundRgb);
    for (std::size_t i = 0; i < table_.controlCount; ++i)
        if (table_.controls[i].colours.custom)
            AddBrush(table_.controls[i].colours.groundRgb);

    std::vector<std::size_t> frontToBack(table_.controlCount);
    std::iota(frontToBack.begin(), frontToBack.end(), std::size_t{0});
    std::stable_sort(frontToBack.begin(), frontToBack.end(), [this](std::size_t a, std::size_t b) {
        return table_.controls[a].stackingRank < table_.controls[b].stackingRank;
    });

    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND previous = HWND_TOP;
    for (std::size_t index : frontToBack) {
        const ControlRow& row = table_.controls[index];
        const ControlClass kind = ClassOf(row);
        HWND control = CreateWindowExW(kind.exStyle, kind.className, WindowText(table_, row), kind.style, 0, 0, 0, 0, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance,
                                       nullptr);
        if (!control)
            throw Failure(DescribeFailure(L"Windows не создала " + InUserWords(table_, row), LastSystemReason()));
        controls_[index] = control;
        // Placed explicitly rather than trusting creation order: the stacking decides which of two
        // overlapping controls shows and takes the clicks.
        SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
        if (row.kind == ControlKind::MultiLineEdit)
            SendMessageW(control, EM_SETLIMITTEXT, 0, 0); // zero lifts the edit's own limit
    }
    CreateTooltips();
}

void Form::AnswerScreenReaders() const
{
    for (std::size_t i = 0; i < controls_.size(); ++i)
        MakeAccessible(table_, table_.controls[i], controls_[i]);
}

void Form::CreateTooltips()
{
    for (std::size_t i = 0; i < table_.controlCount; ++i) {
        const ControlRow& row = table_.controls[i];
        if (!row.tooltip)
            continue;
        if (!tooltip_) {
            tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                       WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
            if (!tooltip_)
                return; // the buttons work without their hints
        }
        TOOLINFOW tool{};
        // The size that comctl32 5.8 (XP without a manifest) knows as well as version 6.
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(controls_[i]);
        tool.lpszText = const_cast<wchar_t*>(row.tooltip);
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

int Form::IndexOf(HWND window) const
{
    if (!window)
        return -1;
    // A combo box's edit field is its child and answers for it.
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i] && (controls_[i] == window || IsChild(controls_[i], window)))
            return static_cast<int>(i);

    // Its drop-down list is a pop-up of its own, which the combo box names. GetComboBoxInfo is in
    // user32 on XP, though documented for later systems only.
    using GetComboBoxInfoFunction = BOOL(WINAPI*)(HWND, COMBOBOXINFO*);
    static const auto getComboBoxInfo = LookUpUser32<GetComboBoxInfoFunction>("GetComboBoxInfo");
    if (!getComboBoxInfo)
        return -1;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (table_.controls[i].kind != ControlKind::EditableCombo || !controls_[i])
            continue;
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (getComboBoxInfo(controls_[i], &info) && info.hwndList == window)
            return static_cast<int>(i);
    }
    return -1;
}

void Form::AddBrush(RgbColour colour)
{
    if (!Brush(colour))
        brushes_.emplace_back(colour, BrushHandle(CreateSolidBrush(static_cast<COLORREF>(colour))));
}

HBRUSH Form::Brush(RgbColour colour) const
{
    for (const auto& brush : brushes_)
        if (brush.first == colour)
            return brush.second.Get();
    return nullptr;
}

} // namespace ui
