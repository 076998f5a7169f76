// The portable build's code page: Windows-1251, built in. The Windows build uses the system's ANSI code
// page instead (code_page_win.cpp).

#include "recipients/code_page.h"

#include "common/failure.h"

#include <cstddef>

namespace {

// Unicode for the bytes 0x80..0xFF; 0x00..0x7F are ASCII. Byte 0x98 has no character in Windows-1251;
// like MultiByteToWideChar, which maps such bytes of the 0x80..0x9F range to the C1 control of the
// same number, it reads as U+0098 (and U+0098 is written back as 0x98), so every byte reads as
// something and every byte comes back unchanged.
constexpr char16_t kHighHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 0xC0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 0xC8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 0xD0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 0xD8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // 0xE0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // 0xE8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // 0xF0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // 0xF8
};

// The byte for one character, or false when Windows-1251 has none.
bool ToByte(wchar_t c, char& byte)
{
    // As a Unicode code point: wchar_t is signed on some systems, char32_t never is.
    const char32_t code = static_cast<char32_t>(c);
    if (code < 0x80) {
        byte = static_cast<char>(code);
        return true;
    }
    if (code >= 0x0410 && code <= 0x044F) {  // А..я, the bulk of any Russian name
        byte = static_cast<char>(0xC0 + (code - 0x0410));
        return true;
    }
    for (std::size_t i = 0; i < 128; ++i) {
        if (kHighHalf[i] == code) {
            byte = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

}  // namespace

void AnsiToWide(std::string_view bytes, std::wstring& out)
{
    out.resize(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        out[i] = b < 0x80 ? static_cast<wchar_t>(b) : static_cast<wchar_t>(kHighHalf[b - 0x80]);
    }
}

std::wstring AnsiToWide(std::string_view bytes)
{
    std::wstring out;
    AnsiToWide(bytes, out);
    return out;
}

std::string WideToAnsi(std::wstring_view text)
{
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!ToByte(text[i], out[i])) {
            throw Failure(L"В имени есть знаки, которых нет в кодировке файла (ANSI, кодовая страница 1251).");
        }
    }
    return out;
}
