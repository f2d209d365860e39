#include "views/heart_rate_digits.h"

#include <QPainter>
#include <QPolygonF>
#include <array>

namespace views {

namespace {

constexpr int kImages = 11;
constexpr QRgb kNormalLook = qRgb(0, 255, 0);
constexpr QRgb kAlarmLook = qRgb(255, 40, 40);

// Segments a-g (top, upper right, lower right, bottom, lower left, upper
// left, middle) lit per image; the dash lights g only.
constexpr std::array<std::uint8_t, kImages> kSegments{
    0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110, 0b1101101,
    0b1111101, 0b0000111, 0b1111111, 0b1101111, 0b1000000,
};

// A segment from a to b (horizontal or vertical), 3 pixels thick with
// pointed ends.
QPolygonF Segment(QPointF a, QPointF b)
{
    constexpr double half = 1.5;
    const bool horizontal = a.y() == b.y();
    const QPointF across = horizontal ? QPointF(0, half) : QPointF(half, 0);
    const QPointF along = horizontal ? QPointF(half, 0) : QPointF(0, half);
    return QPolygonF({a, a + along + across, b - along + across, b, b - along - across, a + along - across});
}

QImage DrawStrip(QRgb look)
{
    QImage strip(kDigitWidthPx * kImages, kDigitHeightPx, QImage::Format_RGB32);
    strip.fill(Qt::black);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(look));
    // Corners of the figure inside its cell.
    constexpr double left = 4.5, right = 15.5, top = 2.5, middle = 11.0, bottom = 19.5;
    for (int image = 0; image < kImages; ++image) {
        const QPointF offset(image * kDigitWidthPx, 0);
        const std::array<QPolygonF, 7> segments{
            Segment(QPointF(left, top), QPointF(right, top)),
            Segment(QPointF(right, top), QPointF(right, middle)),
            Segment(QPointF(right, middle), QPointF(right, bottom)),
            Segment(QPointF(left, bottom), QPointF(right, bottom)),
            Segment(QPointF(left, middle), QPointF(left, bottom)),
            Segment(QPointF(left, top), QPointF(left, middle)),
            Segment(QPointF(left, middle), QPointF(right, middle)),
        };
        for (std::size_t s = 0; s < segments.size(); ++s) {
            if (kSegments[static_cast<std::size_t>(image)] & (1u << s))
                painter.drawPolygon(segments[s].translated(offset));
        }
    }
    return strip;
}

} // namespace

const QImage& HeartRateDigitStrip(bool alarm)
{
    static const QImage normal = DrawStrip(kNormalLook);
    static const QImage alarming = DrawStrip(kAlarmLook);
    return alarm ? alarming : normal;
}

int DigitTextWidth(const QString& text)
{
    return kDigitWidthPx * static_cast<int>(text.size());
}

void DrawDigitImages(QPainter& painter, QPoint topLeft, const QString& text, bool alarm)
{
    const QImage& strip = HeartRateDigitStrip(alarm);
    for (int i = 0; i < text.size(); ++i) {
        const int image = text[i] == QLatin1Char('-') ? kDashImage : text[i].digitValue();
        painter.drawImage(topLeft + QPoint(i * kDigitWidthPx, 0), strip,
                          QRect(image * kDigitWidthPx, 0, kDigitWidthPx, kDigitHeightPx));
    }
}

} // namespace views
