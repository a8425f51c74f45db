#pragma once

#include "platform/Image.h"

#include <QWidget>

namespace tickora {

// Shows a platform::Image that lives elsewhere (the plot area, the gain bar). The drawing code
// writes into the image; the owner calls update() once a batch of drawing is done, never per
// pixel.
class ImageView : public QWidget {
public:
    ImageView(const platform::Image& image, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const platform::Image& image_;
};

} // namespace tickora
