#pragma once

#include <QImage>
#include <QPoint>
#include <QString>

class QPainter;

namespace views {

// The live panel's digit artwork, drawn in code: a strip of 11 images of
// 20 x 22 pixels, the digits 0-9 and a dash (image 10), as seven-segment
// figures on black, in the normal look or the alarm look.
inline constexpr int kDigitWidthPx = 20;
inline constexpr int kDigitHeightPx = 22;
inline constexpr int kDashImage = 10;

const QImage& HeartRateDigitStrip(bool alarm);

// Width of `text` drawn by DrawDigitImages: one image per character.
int DigitTextWidth(const QString& text);
// Draws `text` (digits and '-') as images of the strip, the first with its
// top left corner at `topLeft`, each kDigitWidthPx right of the one before.
void DrawDigitImages(QPainter& painter, QPoint topLeft, const QString& text, bool alarm);

} // namespace views
