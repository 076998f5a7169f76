// The full floor for opening the window: the same main window, written as lean as a Win32 programmer
// writes it by hand, so that the driver can tell what the program's own structure costs. Same class of
// window, caption, menu, six controls at the same places, three fonts, icons, tooltips, manifest and
// colours (it links the program's resources); net_send.ini read whole, converted in one call, split at
// line ends and added with redraw off. No error handling beyond not crashing: it only has to open.

#include "resource_ids.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace {

const wchar_t kCaption[] = L"Отправка сообщений";
const COLORREF kDarkGreen = RGB(0, 64, 0);
const COLORREF kBrightGreen = RGB(0, 255, 0);

HBRUSH ground;
HICON sendIcon, checkIcon, computerIcon;
int dpi = 96;

int Px(int twips) { return MulDiv(twips, dpi, 1440); }

HFONT Font(int pointsX100)
{
    return CreateFontW(-MulDiv(pointsX100, dpi, 7200), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif");
}

HICON Icon(int id, int size)
{
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int id, int l, int t,
           int w, int h, HFONT font)
{
    HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, Px(l), Px(t),
                                   Px(w), Px(h), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (font)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void AddTip(HWND tip, HWND parent, HWND control, const wchar_t* text)
{
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void FillFromFile(HWND combo)
{
    HANDLE file = CreateFileW(L"net_send.ini", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::vector<char> bytes(GetFileSize(file, nullptr));
    DWORD got = 0;
    if (!bytes.empty())
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    const int size = static_cast<int>(got);
    std::vector<wchar_t> text(static_cast<std::size_t>(size) + 1);
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), size);

    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    wchar_t* line = text.data();
    for (int i = 0; i <= length; ++i) {
        if (i < length && text[i] != L'\n')
            continue;
        const int end = i > 0 && text[i - 1] == L'\r' ? i - 1 : i;
        text[end] = L'\0';
        if (i < length || *line)
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
        line = text.data() + i + 1;
    }
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
}

void DrawButton(const DRAWITEMSTRUCT& item)
{
    RECT rect = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &rect, ground);
    DrawEdge(item.hDC, &rect, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    HICON icon = item.CtlID == 106 ? (pressed ? checkIcon : sendIcon) : computerIcon;
    const int size = MulDiv(32, dpi, 96);
    DrawIconEx(item.hDC, (rect.left + rect.right - size) / 2, (rect.top + rect.bottom - size) / 2, icon, size, size,
               0, nullptr, DI_NORMAL);
}

void Build(HWND window)
{
    HFONT label = Font(1350), list = Font(975), message = Font(1200);
    Child(window, L"STATIC", L"Введите имя машины:", SS_LEFT, 0, 101, 120, 240, 3375, 375, label);
    Child(window, L"STATIC", L"Ваше сообщение:", SS_LEFT, 0, 104, 120, 840, 2655, 375, label);
    Child(window, L"EDIT", L"", WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL,
                      WS_EX_CLIENTEDGE, 105, 120, 1440, 7215, 1695, message);
    HWND computer = Child(window, L"BUTTON", L"", WS_TABSTOP | BS_OWNERDRAW, 0, 103, 6720, 120, 615, 615, nullptr);
    HWND send = Child(window, L"BUTTON", L"", WS_TABSTOP | BS_OWNERDRAW, 0, 106, 6360, 2400, 975, 735, nullptr);
    HWND combo = Child(window, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, 102,
                       3720, 240, 2895, 2400, list);
    SetWindowPos(combo, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(send, combo, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    const int size = MulDiv(32, dpi, 96);
    sendIcon = Icon(IDI_SEND, size);
    checkIcon = Icon(IDI_CHECK, size);
    computerIcon = Icon(IDI_COMPUTER, size);
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon(IDI_ENVELOPE, size)));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Icon(IDI_ENVELOPE, size / 2)));

    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    AddTip(tip, window, computer, L"Добавить компьютер в список");
    AddTip(tip, window, send, L"Послать сообщение");
    FillFromFile(combo);
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        Build(window);
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetTextColor(reinterpret_cast<HDC>(wParam), kBrightGreen);
        SetBkColor(reinterpret_cast<HDC>(wParam), kDarkGreen);
        return reinterpret_cast<LRESULT>(ground);
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(window, 105));  // typing goes into the message box
        return 0;
    case WM_DRAWITEM:
        DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    HDC screen = GetDC(nullptr);
    dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ground = CreateSolidBrush(kDarkGreen);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = ground;
    windowClass.lpszClassName = L"benchFullFloor";
    RegisterClassW(&windowClass);

    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, 201, L"&Выход");
    AppendMenuW(menu, MF_STRING, 202, L"&О программе...");
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    RECT frame{0, 0, Px(7470), Px(3300)};
    AdjustWindowRectEx(&frame, style, TRUE, WS_EX_APPWINDOW);
    HWND window = CreateWindowExW(WS_EX_APPWINDOW, windowClass.lpszClassName, kCaption, style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr, menu,
                                  instance, nullptr);
    if (window == nullptr)
        return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
