#include "widgets/image_button.h"

#include <QEnterEvent>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

// Normal: the palette's face inside a light blue frame; under the pointer and
// while pressed: light grey inside an orange frame.
TEST(ImageButton, ReviewButtonShowsNormalHoverAndPressedLooks)
{
    QWidget window;
    CReviewButton button(QStringLiteral("Next"), &window);
    button.setGeometry(0, 0, 80, 30);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto look = [&] {
        const QImage image = button.grab().toImage();
        return std::vector<QRgb>{image.pixel(40, 0), image.pixel(40, 1), image.pixel(5, 15)};
    };
    const std::vector<QRgb> highlighted{qRgb(255, 170, 130), qRgb(246, 246, 246), qRgb(246, 246, 246)};
    QEvent leave(QEvent::Leave); // the offscreen pointer starts over the button
    QApplication::sendEvent(&button, &leave);
    const QRgb face = button.palette().button().color().rgb();
    EXPECT_EQ(look(), (std::vector<QRgb>{face, qRgb(160, 200, 255), face}));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(look(), highlighted);
    QApplication::sendEvent(&button, &leave);
    button.setDown(true);
    EXPECT_EQ(look(), highlighted);
}
