#pragma once

#include "app/ToolbarLogic.h"

#include <QImage>

namespace tickora {

constexpr int kToolbarImageSize = 40; // pixels

// The 40 x 40 toolbar picture of a button, drawn at start-up; disabled gives its greyed
// twin (the same drawing, desaturated and faded).
QImage ToolbarPicture(ToolbarButton button, bool disabled);

} // namespace tickora
