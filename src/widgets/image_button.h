#pragma once

#include <QPushButton>

// The program's own push button, painted by itself: a rounded face in the
// palette's button colour inside a light blue rounded frame, the caption in
// the palette's button-text colour (greyed when disabled) and a focus frame.
// A checkable button counts as pressed while it is checked.
class CImageButton : public QPushButton {
    Q_OBJECT
public:
    explicit CImageButton(const QString& text, QWidget* parent);

    bool IsHovered() const { return m_bHover; }
    bool IsPressed() const { return isDown() || (isCheckable() && isChecked()); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Paints everything under the caption.
    virtual void PaintBackground(QPainter& painter);
    // The normal face: the rounded face and its inner frame.
    void PaintDefaultBackground(QPainter& painter);

private:
    void SetHover(bool hover);

    bool m_bHover = false;
};

// The review window's buttons: while the pointer is over one, or while it is
// pressed, it turns light grey with an orange frame, a plain rectangle or
// (with the rounded frame switched on) two nested rounded ones.
class CReviewButton : public CImageButton {
    Q_OBJECT
public:
    using CImageButton::CImageButton;

    void SetRoundedFrame(bool rounded)
    {
        m_bRoundedFrame = rounded;
        update();
    }

protected:
    void PaintBackground(QPainter& painter) override;

private:
    bool m_bRoundedFrame = false;
};
