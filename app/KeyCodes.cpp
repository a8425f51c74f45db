#include "app/KeyCodes.h"

#include <Qt>

namespace tickora {

std::uint16_t VirtualKeyOf(int qtKey, bool keypad) {
    switch (qtKey) {
    case Qt::Key_Backspace:
        return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::Return;
    case Qt::Key_Escape:
        return vk::Escape;
    case Qt::Key_Space:
        return vk::Space;
    case Qt::Key_Left:
        return vk::Left;
    case Qt::Key_Up:
        return vk::Up;
    case Qt::Key_Right:
        return vk::Right;
    case Qt::Key_Down:
        return vk::Down;
    case Qt::Key_A:
        return vk::A;
    case Qt::Key_F:
        return vk::F;
    case Qt::Key_G:
        return vk::G;
    case Qt::Key_L:
        return vk::L;
    case Qt::Key_P:
        return vk::P;
    case Qt::Key_Q:
        return vk::Q;
    case Qt::Key_R:
        return vk::R;
    case Qt::Key_S:
        return vk::S;
    case Qt::Key_W:
        return vk::W;
    case Qt::Key_Plus:
        return keypad ? vk::Add : vk::OemPlus;
    case Qt::Key_Equal:
        return vk::OemPlus;
    case Qt::Key_Minus:
        return keypad ? vk::Subtract : vk::OemMinus;
    // Shift turns the − key's character into an underscore; the key is the same.
    case Qt::Key_Underscore:
        return vk::OemMinus;
    default:
        return 0;
    }
}

} // namespace tickora
