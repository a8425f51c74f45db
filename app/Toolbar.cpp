#include "app/Toolbar.h"

#include "app/ToolbarArtwork.h"

#include <QPixmap>

namespace tickora {

namespace {

struct ButtonDesign {
    ToolbarButton button;
    const char* name;
    int left;
    int top;
    const char* hint;
};

// Designed places: the pause and resume images right of the start image, the analyse-again
// image right of the shapes image, every twin right of its live image; PlaceInSlots stacks
// them at start-up.
constexpr ButtonDesign kDesign[kToolbarButtonCount] = {
    {ToolbarButton::Start, "StartButton", 8, 8, "Start [Space]"},
    {ToolbarButton::Pause, "PauseButton", 88, 8, "Pause"},
    {ToolbarButton::Resume, "ResumeButton", 168, 8, "Resume"},
    {ToolbarButton::Stop, "StopButton", 8, 52, "Stop [Esc]"},
    {ToolbarButton::LongTerm, "LongTermButton", 8, 102, "Long Term [L]"},
    {ToolbarButton::Scope, "ScopeButton", 8, 146, "Scope Mode [S]"},
    {ToolbarButton::Shapes, "ShapesButton", 8, 190, "Beat Shapes [W]"},
    {ToolbarButton::AnalyseAgain, "AnalyseAgainButton", 88, 190, "Analyse Sound Again [G]"},
    {ToolbarButton::Sequence, "SequenceButton", 8, 234, "Position Sequence [Q]"},
    {ToolbarButton::Annotate, "AnnotateButton", 8, 284, "Annotate [A]"},
    {ToolbarButton::Report, "ReportButton", 8, 328, "Generate Report [R]"},
    {ToolbarButton::Export, "ExportButton", 8, 372, "Save Image to File [F]"},
    {ToolbarButton::Settings, "SettingsButton", 8, 422, "Settings [Tab]"},
    {ToolbarButton::Previous, "PreviousButton", 8, 476, "Previous Page [Left]"},
    {ToolbarButton::Next, "NextButton", 8, 520, "Next Page [Right]"},
};

ToolbarImage* MakeImage(QWidget* panel, const QString& name, int left, int top,
                        const QImage& picture) {
    auto* image = new ToolbarImage(panel);
    image->setObjectName(name);
    image->setGeometry(left, top, kToolbarImageSize, kToolbarImageSize);
    image->setPixmap(QPixmap::fromImage(picture));
    return image;
}

} // namespace

TToolbar::TToolbar(QWidget* leftPanel) : panel_(leftPanel) {
    for (const ButtonDesign& d : kDesign) {
        const int i = Index(d.button);
        live_[i] = MakeImage(panel_, d.name, d.left, d.top, ToolbarPicture(d.button, false));
        live_[i]->setToolTip(d.hint);
        if (d.button == ToolbarButton::Resume)
            continue;
        twin_[i] = MakeImage(panel_, QString(d.name) + "Disabled", d.left + 40, d.top,
                             ToolbarPicture(d.button, true));
    }
}

void TToolbar::SetHandler(ToolbarButton button, std::function<void()> handler) {
    live_[Index(button)]->SetHandler(std::move(handler));
}

void TToolbar::PlaceInSlots() {
    for (QObject* child : panel_->children()) {
        auto* image = qobject_cast<QLabel*>(child);
        if (image && image->x() > 8) {
            image->move(8, image->y());
            image->hide();
            image->setEnabled(false);
        }
    }
}

void TToolbar::Apply(const ToolbarVisibility& v) {
    for (int i = 0; i < kToolbarButtonCount; ++i) {
        live_[i]->setVisible(v.live[i]);
        live_[i]->setEnabled(v.live[i]);
        if (twin_[i]) {
            twin_[i]->setVisible(v.twin[i]);
            // Enabled only so that its hint shows; a twin has no click handler.
            twin_[i]->setEnabled(true);
        }
    }
    twin_[Index(ToolbarButton::Start)]->setToolTip(v.noDeviceHint ? kNoDeviceHint : "");
}

bool TToolbar::Enabled(ToolbarButton button) const {
    const ToolbarImage* image = live_[Index(button)];
    return !image->isHidden() && image->isEnabled();
}

} // namespace tickora
