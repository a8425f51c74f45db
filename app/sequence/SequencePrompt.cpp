#include "app/sequence/SequencePrompt.h"

#include "platform/QtFont.h"

#include <QLabel>
#include <QTextDocumentFragment>
#include <QTimer>

namespace tickora {

namespace {
constexpr int kPromptPixels = 20; // the prompt's first line
constexpr int kPlacePixels = 14;  // its second line
} // namespace

SequencePrompt::SequencePrompt(QWidget* plotArea, const PositionSequence& sequence,
                               std::function<void()> countdownEnded)
    : plotArea_(plotArea), sequence_(sequence), countdownEnded_(std::move(countdownEnded)) {
    label_ = new QLabel(plotArea_);
    label_->setObjectName("SequencePrompt");
    platform::Font font;
    font.face = "Arial";
    font.pixelHeight = kPromptPixels;
    font.bold = true;
    label_->setFont(platform::ToQFont(font));
    label_->setAlignment(Qt::AlignCenter);
    label_->setTextFormat(Qt::RichText);
    // The program's dark purple, so the prompt reads as the program speaking, not a result.
    label_->setStyleSheet("QLabel { background: rgb(128, 41, 113); color: white;"
                          " border-radius: 8px; padding: 14px 24px; }");
    label_->hide();
    countdown_ = new QTimer(label_);
    countdown_->setInterval(1000); // ms
    QObject::connect(countdown_, &QTimer::timeout, label_, [this] { Tick(); });
}

std::string SequencePrompt::Text() const {
    if (label_->isHidden())
        return {};
    return QTextDocumentFragment::fromHtml(label_->text().section("<br>", 0, 0))
        .toPlainText()
        .toStdString();
}

void SequencePrompt::Show() {
    secondsLeft_ = sequence_.Plan().countdownSeconds;
    ShowText();
    label_->show();
    label_->raise();
    if (sequence_.Plan().countdown)
        countdown_->start();
}

void SequencePrompt::Hide() {
    countdown_->stop();
    label_->hide();
}

void SequencePrompt::Tick() {
    if (sequence_.CurrentStep() != PositionSequence::Step::Prompt) {
        countdown_->stop();
        return;
    }
    if (--secondsLeft_ <= 0) {
        countdown_->stop();
        countdownEnded_();
        return;
    }
    ShowText();
}

void SequencePrompt::ShowText() {
    const QString place = QString("Position %1 of %2. Esc ends the sequence.")
                              .arg(sequence_.Place())
                              .arg(sequence_.Count());
    label_->setText(
        QString("%1<br><span style=\"font-size: %2px; font-weight: normal;\">%3</span>")
            .arg(QString::fromStdString(sequence_.PromptText(secondsLeft_)).toHtmlEscaped())
            .arg(kPlacePixels)
            .arg(place));
    label_->adjustSize();
    // In the upper part of the plot, clear of the reference line where the trace runs.
    label_->move((plotArea_->width() - label_->width()) / 2, plotArea_->height() / 5);
}

} // namespace tickora
