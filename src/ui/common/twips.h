#pragma once

// Forms are measured in twips (1/1440 inch) and fonts in points, so that a window keeps its proportions
// at every DPI. The conversions round exactly like the system's MulDiv, so a rectangle computed here is
// the rectangle the window really gets; at 96 dpi a twip is 1/15 of a pixel.

namespace ui {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPointsX100PerInch = 7200;
inline constexpr int kDefaultDpi = 96;

// number * numerator / denominator with halves rounded away from zero; -1 for a zero denominator or a
// result outside int, which is what MulDiv answers in those cases.
constexpr int MulDivRounded(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    long long n = number;
    long long d = denominator;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    const long long product = n * numerator;
    const long long half = d / 2;
    const long long result = (product >= 0 ? product + half : product - half) / d;
    if (result > 2147483647LL || result < -2147483647LL)
        return -1;
    return static_cast<int>(result);
}

constexpr int TwipsToPixels(int twips, int dpi)
{
    return MulDivRounded(twips, dpi, kTwipsPerInch);
}

// A LOGFONT height: negative, so that it names the character height without the internal leading.
// Points are given in hundredths because the form's sizes (13.5, 9.75) are not whole points.
constexpr int FontHeightPixels(int pointsX100, int dpi)
{
    return -MulDivRounded(pointsX100, dpi, kPointsX100PerInch);
}

// Sizes that the system defines in pixels at 96 dpi (icons, focus insets), grown with the DPI.
constexpr int ScaleFrom96(int pixelsAt96, int dpi)
{
    return MulDivRounded(pixelsAt96, dpi, kDefaultDpi);
}

} // namespace ui
