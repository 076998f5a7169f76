#include "ui/common/fonts.h"

#include "ui/common/dpi.h"
#include "ui/common/twips.h"

#include <algorithm>
#include <cwchar>

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
    NONCLIENTMETRICSW metrics{};
    if (SystemFontsForDpi(dpi, metrics))
        return metrics.lfMessageFont;
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = MulDiv(font.lfHeight, dpi, SystemDpi()); // given at the system DPI
    return font;
}

// "MS Sans Serif" is a bitmap face, drawn for 96 dpi in a handful of sizes; its TrueType twin has the same
// design and metrics (Windows 2000 on) at every size.
const wchar_t kBitmapFace[] = L"MS Sans Serif";
const wchar_t kTrueTypeTwin[] = L"Microsoft Sans Serif";

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
    lstrcpynW(font.lfFaceName, wanted.face, LF_FACESIZE); // cut short, it still ends in a null
    return font;
}

// Whether the system made the font with the face asked for and, but at 96 dpi, the height asked for.
bool MadeAsAsked(HDC dc, HFONT font, const LOGFONTW& asked, int dpi)
{
    Selection selected(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    TEXTMETRICW metrics{};
    GetTextFaceW(dc, LF_FACESIZE, face);
    GetTextMetricsW(dc, &metrics);
    const bool sameHeight = metrics.tmHeight - metrics.tmInternalLeading == -asked.lfHeight;
    return lstrcmpiW(face, asked.lfFaceName) == 0 && (dpi == kDefaultDpi || sameHeight);
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

// The table's one-line labels are sized for the named face. Where the system has neither it nor its twin
// and substitutes a wider face, the text would wrap and lose its last words; instead the font is narrowed
// just enough, keeping its height, so every label still reads in full. Only a scalable face narrows:
// asked for a width, a bitmap face comes out in another of its sizes, or as another face.
FontHandle Narrowed(HDC dc, const FormTable& form, const FontDef& wanted, int dpi, LOGFONTW logFont,
                    FontHandle font)
{
    double overflow = Overflow(dc, font.Get(), form, wanted, dpi);
    TEXTMETRICW metrics{};
    {
        Selection selected(dc, font.Get());
        GetTextMetricsW(dc, &metrics);
    }
    if (overflow <= 1.0 || !(metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)))
        return font;
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

} // namespace

// The table's face where the system makes it as asked: at 96 dpi, for which the table was drawn, in the
// size the system has nearest; at any other DPI only at the wanted height, which a bitmap face, with its
// few sizes drawn for 96 dpi, cannot give (the system scales it by whole multiples or takes its nearest
// size: jagged or wrongly sized text). Otherwise, as where the system substitutes another face (no
// Cyrillic "MS Sans Serif"), its TrueType twin, of the same design and widths at every height: at 96 dpi
// where the system has that, elsewhere always.
FontHandle CreateFormFont(HDC dc, const FormTable& form, const FontDef& wanted, int dpi)
{
    LOGFONTW logFont = LogFontFor(wanted, dpi);
    FontHandle font(CreateFontIndirectW(&logFont));
    if (!font || !dc)
        return font;
    if (!wanted.IsDialogFont() && std::wcscmp(wanted.face, kBitmapFace) == 0 &&
        !MadeAsAsked(dc, font.Get(), logFont, dpi)) {
        LOGFONTW twinFont = logFont;
        lstrcpynW(twinFont.lfFaceName, kTrueTypeTwin, LF_FACESIZE);
        FontHandle twin(CreateFontIndirectW(&twinFont));
        // Away from 96 dpi the twin is taken even where the system stands another face in for it: a
        // scalable face at the wanted height reads better than a bitmap one at a size of its own.
        if (twin && (dpi != kDefaultDpi || MadeAsAsked(dc, twin.Get(), twinFont, dpi)))
            return Narrowed(dc, form, wanted, dpi, twinFont, std::move(twin));
    }
    return Narrowed(dc, form, wanted, dpi, logFont, std::move(font));
}

} // namespace ui
