#pragma once

#include "app/ExportImage.h"
#include "app/MainLayout.h"
#include "dsp/TickRecord.h"
#include "platform/Canvas.h"
#include "platform/Image.h"

#include <string>
#include <vector>

namespace tickora {

// The result strip: daily rate, amplitude, beat error and parameters labels, and the gain bar
// with its label. Texts come from report/ValueTexts; this class sets them and their colours.
class TResultDisplay {
public:
    // The gain bar image is the one the layout's VolumeIndicator shows.
    TResultDisplay(TMainLayout& layout, platform::Image& gainBar);

    // longTerm: a long-term test is running (or a long-term page is shown); awaiting: no
    // chart point has been recorded yet.
    void ShowRate(bool complete, double rate, bool longTerm, bool awaiting);
    void ShowAmplitude(bool complete, double amplitude, bool longTerm, bool awaiting);
    void ShowBeatError(bool complete, double beatError);
    void ShowParameters(const std::string& text);
    // Empties the three result labels: nothing is measured yet.
    void ClearResults();
    // Under SIGNAL: the verdict a watchmaker acts on, from the window's trust rules (the
    // result's and whether it is settled over `period`, s), over its figures: the share of the
    // window's beats used and their timing scatter.
    void ShowSignal(const dsp::TickResult& result, int period);
    void ClearSignal();
    // The signal belongs to the live test and to the page it made, not to other pages.
    void ShowSignalFigure(bool shown);
    // Pale result labels while a scope view is shown.
    void DimResults();

    // Places the gain bar at the right of the strip and its label left of it (once, at
    // start-up); returns the bar's height in pixels.
    int PlaceGain();
    void ShowGain(double gain);
    void HideGain();
    // Moves the gain bar and label onto the manual-level panel while it shows, else back.
    void SetGainParent(bool onManualLevelPanel);

    // The strip's labels in panel order, for the exported picture. Hidden labels are left
    // out: the picture shows what the window shows.
    std::vector<ExportLabel> LabelsForExport() const;

private:
    TMainLayout& layout_;
    platform::Image& gainImage_;
};

} // namespace tickora
