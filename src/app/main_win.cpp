#include <windows.h>

// Placeholder until the main window exists.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    MessageBoxW(nullptr, L"Отправка сообщений", L"net_send", MB_OK);
    return 0;
}
