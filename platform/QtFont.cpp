#include "platform/QtFont.h"

#include <algorithm>
#include <cmath>

namespace platform {

QString FontFamily(const std::string& face) {
    if (face == "Arial" || face == "Microsoft Sans Serif") {
        return QStringLiteral("Liberation Sans");
    }
    if (face == "Times New Roman") {
        return QStringLiteral("Liberation Serif");
    }
    if (face == "Courier New") {
        return QStringLiteral("Liberation Mono");
    }
    return QString::fromStdString(face);
}

int FontPixelSize(const Font& font, int pixelsPerInch) {
    if (font.pointSize > 0) {
        const long long scaled = static_cast<long long>(font.pointSize) * pixelsPerInch;
        return std::max(1, static_cast<int>((scaled + 36) / 72));
    }
    return std::max(1, font.pixelHeight);
}

QFont ToQFont(const Font& font, int pixelsPerInch) {
    QFont result(FontFamily(font.face));
    result.setPixelSize(FontPixelSize(font, pixelsPerInch));
    result.setBold(font.bold);
    result.setItalic(font.italic);
    // Whole-pixel advances, so n letters of a fixed-pitch font are exactly n letters wide.
    result.setHintingPreference(QFont::PreferFullHinting);
    // A missing family must not turn into a font of another kind (a serif for a sans).
    result.setStyleHint(font.face == "Times New Roman" ? QFont::Serif
                        : font.face == "Cousine"       ? QFont::Monospace
                                                       : QFont::SansSerif);
    return result;
}

QFont ArialFont(int pixels, bool bold) {
    Font font;
    font.face = "Arial";
    font.pixelHeight = pixels;
    font.bold = bold;
    return ToQFont(font);
}

void GiveDialogLook(QWidget& dialog, const QString& title, int textPixels) {
    constexpr int kGrey = 204; // each of red, green and blue
    dialog.setWindowTitle(title);
    dialog.setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    dialog.setFont(ArialFont(textPixels));
    QPalette colours = dialog.palette();
    colours.setColor(QPalette::Window, QColor(kGrey, kGrey, kGrey));
    dialog.setPalette(colours);
    dialog.setAutoFillBackground(true);
}

} // namespace platform
