#include "app/ResultDisplay.h"

#include "app/GainBar.h"
#include "dsp/Limits.h"
#include "report/ValueTexts.h"

#include <algorithm>

namespace tickora {

namespace {

QColor ToneColour(report::ResultTone tone) {
    switch (tone) {
    case report::ResultTone::Provisional:
        return QColor(204, 0, 0);
    case report::ResultTone::Complete:
        return QColor(0, 119, 0);
    case report::ResultTone::LongTermRate:
        return QColor(153, 0, 102);
    case report::ResultTone::LongTermAmplitude:
        return QColor(51, 51, 204);
    }
    return Qt::black;
}

const QColor kPalePink(240, 207, 235);

} // namespace

TResultDisplay::TResultDisplay(TMainLayout& layout, platform::Image& gainBar)
    : layout_(layout), gainImage_(gainBar) {}

void TResultDisplay::ShowRate(bool complete, double rate, bool longTerm, bool awaiting) {
    layout_.RateErrorLabel()->setText(QString::fromStdString(report::RateText(rate)));
    SetTextColour(layout_.RateErrorLabel(),
                  ToneColour(report::RateTone(complete, longTerm, awaiting)));
}

void TResultDisplay::ShowAmplitude(bool complete, double amplitude, bool longTerm, bool awaiting) {
    layout_.AmplitudeLabel()->setText(QString::fromStdString(report::AmplitudeText(amplitude)));
    SetTextColour(layout_.AmplitudeLabel(),
                  ToneColour(report::AmplitudeTone(complete, longTerm, awaiting)));
}

void TResultDisplay::ShowBeatError(bool complete, double beatError) {
    layout_.BeatErrorLabel()->setText(QString::fromStdString(report::BeatErrorText(beatError)));
    SetTextColour(layout_.BeatErrorLabel(), ToneColour(report::BeatErrorTone(complete)));
}

void TResultDisplay::ShowParameters(const std::string& text) {
    layout_.ParametersLabel()->setText(QString::fromStdString(text));
}

void TResultDisplay::ClearResults() {
    for (int i = 0; i < 3; ++i)
        layout_.Results[i]->clear();
}

void TResultDisplay::ShowSignal(const dsp::TickResult& r, int period) {
    constexpr double kNoWatchScatter = 5.0; // ms: no rhythm at all, noise timed at random
    constexpr double kNoWatchUsed = 0.25;   // share of the beats
    // A window still filling is not trusted for its few beats alone; its figures tell whether
    // the sound is at fault, by the trust rules' own limits.
    constexpr double kGoodUsed = dsp::limits::kMinUsedShare;
    constexpr double kGoodScatter = dsp::limits::kMaxScatter * 1000.0; // ms
    const bool filling = r.Span < period - 0.0001;
    const bool clean = r.Used >= kGoodUsed && r.Scatter <= kGoodScatter;
    QString verdict;
    QColor colour;
    if (dsp::IsSettled(r, period)) {
        verdict = "good";
        colour = QColor(0, 128, 0);
    } else if (filling && (r.Trusted || clean)) {
        // Green only with the results: until the period is full they are not final.
        verdict = "good so far";
        colour = QColor(96, 96, 96);
    } else if (r.Scatter > kNoWatchScatter || r.Used < kNoWatchUsed) {
        verdict = "no watch heard";
        colour = QColor(176, 0, 0);
    } else {
        verdict = "weak: reposition";
        colour = QColor(176, 0, 0);
    }
    QLabel* label = layout_.SignalLabel;
    label->setText(QString("%1\n%2% %3ms")
                       .arg(verdict)
                       .arg(static_cast<int>(report::RoundHalfEven(100.0 * r.Used)))
                       .arg(std::min(r.Scatter, 99.0), 0, 'f', r.Scatter < 0.995 ? 2 : 1));
    SetTextColour(label, colour);
}

void TResultDisplay::ShowSignalFigure(bool shown) {
    layout_.SignalHeading->setVisible(shown);
    layout_.SignalLabel->setVisible(shown);
}

void TResultDisplay::ClearSignal() {
    layout_.SignalLabel->clear();
}

void TResultDisplay::DimResults() {
    for (int i = 0; i < 3; ++i)
        SetTextColour(layout_.Results[i], kPalePink);
}

int TResultDisplay::PlaceGain() {
    QWidget* indicator = layout_.VolumeIndicator;
    QLabel* label = layout_.VolumeLabel;
    const int top = layout_.ParametersHeading()->y();
    const int height = layout_.ParametersLabel()->geometry().bottom() + 1 - top;
    const int left = layout_.TopPanel->width() - indicator->width() - top;
    indicator->setGeometry(left, top, indicator->width(), height);
    gainImage_.Reset(indicator->width(), height);
    label->move(left - top - label->width(), top + (height - label->height()) / 2);
    return height;
}

void TResultDisplay::ShowGain(double gain) {
    layout_.VolumeIndicator->show();
    layout_.VolumeLabel->show();
    platform::Canvas canvas(gainImage_);
    DrawGainBar(canvas, gain);
    layout_.VolumeIndicator->update();
    layout_.VolumeLabel->setText(QString::fromStdString(report::GainText(gain)));
}

void TResultDisplay::HideGain() {
    layout_.VolumeIndicator->hide();
    layout_.VolumeLabel->hide();
}

void TResultDisplay::SetGainParent(bool onManualLevelPanel) {
    QWidget* parent =
        onManualLevelPanel ? static_cast<QWidget*>(layout_.ManualLevelPanel) : layout_.TopPanel;
    for (QWidget* w : {static_cast<QWidget*>(layout_.VolumeIndicator),
                       static_cast<QWidget*>(layout_.VolumeLabel)}) {
        if (w->parentWidget() == parent)
            continue;
        // The manual-level panel fills the top panel, so the coordinates carry over.
        const QRect place = w->geometry();
        const bool shown = !w->isHidden();
        w->setParent(parent);
        w->setGeometry(place);
        w->setVisible(shown);
    }
}

std::vector<ExportLabel> TResultDisplay::LabelsForExport() const {
    std::vector<ExportLabel> labels;
    auto add = [&labels](const QLabel* label) {
        if (label->isHidden())
            return;
        ExportLabel e;
        e.text = label->text().toStdString();
        const QFont& f = label->font();
        e.font.face = f.family().toStdString();
        e.font.pixelHeight = f.pixelSize();
        e.font.pointSize = 0;
        e.font.bold = f.bold();
        const QColor c = label->palette().color(QPalette::WindowText);
        e.font.colour = platform::RgbOf(c.red(), c.green(), c.blue());
        e.left = label->x();
        e.top = label->y();
        e.width = label->width();
        labels.push_back(e);
    };
    for (const QLabel* heading : layout_.Headings)
        add(heading);
    for (const QLabel* result : layout_.Results)
        add(result);
    if (layout_.VolumeLabel->parentWidget() == layout_.TopPanel)
        add(layout_.VolumeLabel);
    // The signal verdict of the test shown, when there is one.
    if (!layout_.SignalLabel->text().isEmpty()) {
        add(layout_.SignalHeading);
        add(layout_.SignalLabel);
    }
    return labels;
}

} // namespace tickora
