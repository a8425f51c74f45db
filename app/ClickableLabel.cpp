#include "app/ClickableLabel.h"

#include <QMouseEvent>

namespace tickora {

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && handler_ && isVisible() && isEnabled()) {
        handler_();
        return;
    }
    QLabel::mousePressEvent(event);
}

} // namespace tickora
