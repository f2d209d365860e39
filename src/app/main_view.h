#pragma once

#include <QPixmap>
#include <QWidget>

class QSplitter;

// The frame's central widget. While the start screen shows it paints the
// start picture ("Sunset.bmp" of the start directory) stretched over itself;
// otherwise its review area, a two-row splitter whose first row holds the
// review window, fills it.
class CMoss03View : public QWidget {
    Q_OBJECT
public:
    explicit CMoss03View(QWidget* parent);

    // Puts the review window into the first row of the review area (the view
    // takes it over), replacing what was there.
    void SetReviewWindow(QWidget* reviewWindow);
    QWidget* ReviewWindow() const;

    void ShowReviewArea();
    void ShowStartScreen();
    bool IsReviewAreaShown() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSplitter* m_pSplitter;
    QPixmap m_picture;
    QPixmap m_scaledPicture; // m_picture at the size it was last painted
};
