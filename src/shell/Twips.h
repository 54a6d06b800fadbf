#pragma once

#include <QtGlobal>

namespace tarvik::shell {

// Twips (1/1440 inch) as the window layouts give them, to Qt's logical pixels (1/96 inch;
// Qt scales logical pixels on high-density screens). 15 twips make one pixel.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    // Round half away from zero, so -7 and 7 twips both go to their nearest pixel.
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr int pixelsToTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

} // namespace tarvik::shell
