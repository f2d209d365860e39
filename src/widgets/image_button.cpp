#include "widgets/image_button.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

// Corner radius of every rounded outline (an 8 x 8 pixel corner ellipse).
constexpr qreal kCornerRadius = 4.0;
// The inner frame of the normal face.
constexpr QColor kFrameColour(160, 200, 255);
// The review buttons' highlight under the pointer or while pressed.
constexpr QColor kHighlightFill(246, 246, 246);
constexpr QColor kHighlightFrame(255, 170, 130);

// A rectangle for 1-pixel outlines: pixel centres lie half a pixel inside.
QRectF OutlineRect(const QRect& rect, int inset)
{
    return QRectF(rect.adjusted(inset, inset, -inset, -inset)).adjusted(0.5, 0.5, -0.5, -0.5);
}

} // namespace

CImageButton::CImageButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setAttribute(Qt::WA_Hover);
}

void CImageButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintBackground(painter);

    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter.setPen(palette().color(group, QPalette::ButtonText));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(4, 4, -4, -4);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

void CImageButton::PaintBackground(QPainter& painter)
{
    PaintDefaultBackground(painter);
}

void CImageButton::PaintDefaultBackground(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Button));
    painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.setPen(QPen(kFrameColour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(OutlineRect(rect(), 1), kCornerRadius, kCornerRadius);
}

// Hover counts only while the button's window is active, as the pointer
// over an inactive window does not light up its controls.
void CImageButton::enterEvent(QEnterEvent* event)
{
    SetHover(isActiveWindow());
    QPushButton::enterEvent(event);
}

void CImageButton::leaveEvent(QEvent* event)
{
    SetHover(false);
    QPushButton::leaveEvent(event);
}

void CImageButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        SetHover(false);
    QPushButton::changeEvent(event);
}

void CImageButton::SetHover(bool hover)
{
    if (hover == m_bHover)
        return;
    m_bHover = hover;
    update();
}

void CReviewButton::PaintBackground(QPainter& painter)
{
    if (!IsHovered() && !IsPressed()) {
        PaintDefaultBackground(painter);
        return;
    }
    painter.fillRect(rect(), kHighlightFill);
    painter.setPen(QPen(kHighlightFrame, 1));
    painter.setBrush(Qt::NoBrush);
    if (m_bRoundedFrame) {
        painter.drawRoundedRect(OutlineRect(rect(), 1), kCornerRadius, kCornerRadius);
        painter.drawRoundedRect(OutlineRect(rect(), 2), kCornerRadius, kCornerRadius);
    } else {
        painter.drawRect(OutlineRect(rect(), 0));
    }
}
