#pragma once

#include <QLabel>

#include <functional>

namespace tickora {

// A label or picture that runs a handler when clicked while it is shown and enabled.
class ClickableLabel : public QLabel {
public:
    using QLabel::QLabel;
    void SetHandler(std::function<void()> handler) { handler_ = std::move(handler); }
    bool HasHandler() const { return static_cast<bool>(handler_); }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<void()> handler_;
};

} // namespace tickora
