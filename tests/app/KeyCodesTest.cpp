#include "app/KeyCodes.h"

#include <gtest/gtest.h>

#include <Qt>

using namespace tickora;

TEST(KeyCodes, QtKeysMapToTheirCodes) {
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Space, false), 32);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Return, false), 13);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Enter, true), 13);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Escape, false), 27);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Backspace, false), 8);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Tab, false), 9);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Left, false), 37);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Down, false), 40);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_S, false), 83);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_P, false), 80);
}

TEST(KeyCodes, PlusAndMinusTellTheKeypadApart) {
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Plus, true), vk::Add);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Plus, false), vk::OemPlus);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Equal, false), vk::OemPlus);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Minus, true), vk::Subtract);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Minus, false), vk::OemMinus);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Underscore, false), vk::OemMinus); // Shift and the − key
}

TEST(KeyCodes, OtherKeysAreIgnored) {
    EXPECT_EQ(VirtualKeyOf(Qt::Key_B, false), 0);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_F1, false), 0);
}
