#include "ui/common/fonts.h"

#include "ui/common/dpi.h"
#include "ui/common/twips.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace ui {

bool SameFont(const FontDef& a, const FontDef& b)
{
    const bool sameFace = (a.face == nullptr && b.face == nullptr) ||
                          (a.face != nullptr && b.face != nullptr && std::wcscmp(a.face, b.face) == 0);
    return sameFace && a.pointsX100 == b.pointsX100 && a.weight == b.weight && a.charset == b.charset;
}

namespace {

LOGFONTW DialogFont(int dpi)
{
    LOGFONTW font{};
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics; // the XP-sized record, which every later system accepts
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font = metrics.lfMessageFont;
    } else {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    }
    // The system reports it at the system DPI; a window on a screen of another DPI needs it rescaled.
    font.lfHeight = MulDivRounded(font.lfHeight, dpi, SystemDpi());
    return font;
}

LOGFONTW LogFontFor(const FontDef& wanted, int dpi)
{
    if (wanted.IsDialogFont())
        return DialogFont(dpi);
    LOGFONTW font{};
    font.lfHeight = FontHeightPixels(wanted.pointsX100, dpi);
    font.lfWeight = wanted.weight;
    font.lfCharSet = static_cast<BYTE>(wanted.charset);
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    // Copied by hand: the CRT's wcsncpy draws a deprecation warning from some compilers.
    const std::size_t length = std::min<std::size_t>(std::wcslen(wanted.face), LF_FACESIZE - 1);
    std::char_traits<wchar_t>::copy(font.lfFaceName, wanted.face, length);
    return font;
}

// How much wider than its label the widest one-line label text is in this font (1.0: they all fit).
double Overflow(HDC dc, HFONT font, const FormTable& form, const FontDef& wanted, int dpi)
{
    Selection selected(dc, font);
    double overflow = 1.0;
    for (std::size_t i = 0; i < form.controlCount; ++i) {
        const ControlRow& control = form.controls[i];
        if (control.kind != ControlKind::Label || control.centred || !SameFont(control.font, wanted))
            continue;
        SIZE text{};
        const int length = static_cast<int>(std::wcslen(control.text));
        const int width = TwipsToPixels(control.widthTwips, dpi);
        if (width > 0 && GetTextExtentPoint32W(dc, control.text, length, &text) && text.cx > width)
            overflow = std::max(overflow, static_cast<double>(text.cx) / width);
    }
    return overflow;
}

} // namespace

// The table's one-line labels are sized for the named face. Where the system substitutes a wider one
// (no Cyrillic "MS Sans Serif", for one), the text would wrap and lose its last words; instead the
// font is narrowed just enough, keeping its height, so every label still reads in full.
FontHandle CreateFormFont(HDC dc, const FormTable& form, const FontDef& wanted, int dpi)
{
    LOGFONTW logFont = LogFontFor(wanted, dpi);
    FontHandle font(CreateFontIndirectW(&logFont));
    if (!font || !dc)
        return font;
    double overflow = Overflow(dc, font.Get(), form, wanted, dpi);
    if (overflow <= 1.0)
        return font;
    TEXTMETRICW metrics{};
    {
        Selection selected(dc, font.Get());
        GetTextMetricsW(dc, &metrics);
    }
    int width = static_cast<int>(metrics.tmAveCharWidth / overflow);
    for (int attempt = 0; attempt < 4 && overflow > 1.0 && width > 1; ++attempt, --width) {
        logFont.lfWidth = width;
        FontHandle narrower(CreateFontIndirectW(&logFont));
        if (!narrower)
            break;
        font = std::move(narrower);
        overflow = Overflow(dc, font.Get(), form, wanted, dpi);
    }
    return font;
}

} // namespace ui
