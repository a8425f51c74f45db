#pragma once

#include <QWidget>

namespace tickora {

// The borderless start-up picture with the version "1.4"; shown again as the about box,
// where the close mark "x" and a click anywhere close it.
class TStartupPicture : public QWidget {
public:
    explicit TStartupPicture(QWidget* parent = nullptr);

    // As about box: modal, closes on a click. At start-up: shown until the main window
    // closes it.
    void ShowAsAbout();
    bool IsAboutBox() const { return aboutBox_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool aboutBox_ = false;
};

} // namespace tickora
