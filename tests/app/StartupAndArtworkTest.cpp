#include "app/StartupPicture.h"
#include "app/ToolbarArtwork.h"

#include "platform/testing/TestApplication.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>

using namespace tickora;

namespace {

void Click(QWidget& widget) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(200, 120), QPointF(200, 120),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
}

class StartupAndArtworkTest : public ::testing::Test {
protected:
    void SetUp() override { platform::testing::EnsureTestApplication(); }
};

} // namespace

TEST_F(StartupAndArtworkTest, StartupPictureClosesOnAClickOnlyAsAboutBox) {
    TStartupPicture picture;
    picture.show();
    Click(picture);
    EXPECT_TRUE(picture.isVisible()); // at start-up the main window closes it

    bool clicked = false;
    QTimer::singleShot(20, &picture, [&] {
        EXPECT_TRUE(picture.IsAboutBox());
        clicked = true;
        Click(picture);
    });
    picture.hide();
    picture.ShowAsAbout(); // returns once the click has closed it
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(picture.isVisible());
    EXPECT_FALSE(picture.IsAboutBox());
}

TEST_F(StartupAndArtworkTest, EveryButtonHasItsOwnPictureAndAGreyTwin) {
    std::vector<QImage> pictures;
    for (int b = 0; b < kToolbarButtonCount; ++b) {
        const QImage live = ToolbarPicture(static_cast<ToolbarButton>(b), false);
        const QImage twin = ToolbarPicture(static_cast<ToolbarButton>(b), true);
        EXPECT_EQ(live.size(), QSize(40, 40));
        EXPECT_EQ(twin.size(), QSize(40, 40));
        bool coloured = false;
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 40; ++x) {
                const QColor c = twin.pixelColor(x, y);
                ASSERT_EQ(c.red(), c.green());
                ASSERT_EQ(c.green(), c.blue());
                const QColor l = live.pixelColor(x, y);
                coloured |= l.red() != l.green() || l.green() != l.blue();
            }
        }
        if (static_cast<ToolbarButton>(b) != ToolbarButton::Settings) {
            EXPECT_TRUE(coloured) << b;
        }
        for (const QImage& other : pictures)
            EXPECT_NE(live, other) << b;
        pictures.push_back(live);
    }
}
