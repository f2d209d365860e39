#pragma once

#include <QImage>

namespace views {

// The live panel's digit artwork, drawn in code: a strip of 11 images of
// 20 x 22 pixels, the digits 0-9 and a dash (image 10), as seven-segment
// figures on black, in the normal look or the alarm look.
inline constexpr int kDigitWidthPx = 20;
inline constexpr int kDigitHeightPx = 22;
inline constexpr int kDashImage = 10;

const QImage& HeartRateDigitStrip(bool alarm);

} // namespace views
