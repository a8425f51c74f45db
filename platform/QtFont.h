#pragma once

#include "platform/Canvas.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <string>

namespace platform {

// The installed family standing in for a face name: "Arial" and "Microsoft Sans Serif" give
// Liberation Sans, "Times New Roman" Liberation Serif, "Cousine" Cousine; any other name is
// passed on as it is. Explicit, so it does not depend on the fontconfig aliases installed.
QString FontFamily(const std::string& face);

// The font's character height in pixels: its pixel height, or its point size converted with
// pixelsPerInch (rounded as the classic MulDiv(points, ppi, 72) does); at least 1.
int FontPixelSize(const Font& font, int pixelsPerInch);

// The QFont for a Font at a canvas's pixels per inch; the windows use it for their labels so
// label and picture text match.
QFont ToQFont(const Font& font, int pixelsPerInch = 96);

// Arial through its metric-compatible free face, so a dialog looks the same wherever it runs.
QFont ArialFont(int pixels, bool bold = false);

// The look the program's dialogs share: the title, a fixed size, Arial captions of the given
// height on the light grey of the original panels.
void GiveDialogLook(QWidget& dialog, const QString& title, int textPixels);

} // namespace platform
