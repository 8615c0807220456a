#pragma once

#include <QRect>

// The window is designed in twips; 15 of them make a pixel at 96 dots per inch. Sizes are
// rounded to the nearest pixel.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

constexpr QRect twipsToPixels(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}
