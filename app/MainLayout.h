#pragma once

#include "app/ClickableLabel.h"
#include "app/ImageView.h"

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

#include <array>

namespace tickora {

// Fixed geometry of the main window, pixels.
inline constexpr int kClientWidth = 1016;
inline constexpr int kClientHeight = 566;
inline constexpr int kLeftPanelWidth = 56;
inline constexpr int kTopPanelHeight = 55;
inline constexpr int kPlotWidth = 960;
inline constexpr int kPlotHeight = 511;
inline constexpr int kGainBarWidth = 12; // the gain bar's height follows the result labels

// The components of the main window, created with their designed places, fonts and colours.
struct TMainLayout {
    QWidget* LeftPanel = nullptr;
    QWidget* RightPanel = nullptr;
    QWidget* TopPanel = nullptr;
    // Headings and result labels in panel order: daily rate, amplitude, beat error, parameters.
    std::array<ClickableLabel*, 4> Headings{};
    std::array<ClickableLabel*, 4> Results{};
    // The signal quality while testing: the share of beats used and their timing scatter,
    // between the beat error and the parameters.
    QLabel* SignalHeading = nullptr;
    QLabel* SignalLabel = nullptr;
    ImageView* VolumeIndicator = nullptr;
    QLabel* VolumeLabel = nullptr;
    QLabel* ManualLevelPanel = nullptr;
    ImageView* PlotArea = nullptr;
    QWidget* CalibrationProgressPanel = nullptr;
    QLabel* CalibrationLabel = nullptr;
    QProgressBar* CalibrationProgressBar = nullptr;

    ClickableLabel* RateErrorLabel() const { return Results[0]; }
    ClickableLabel* AmplitudeLabel() const { return Results[1]; }
    ClickableLabel* BeatErrorLabel() const { return Results[2]; }
    ClickableLabel* ParametersLabel() const { return Results[3]; }
    ClickableLabel* ParametersHeading() const { return Headings[3]; }
};

// Builds the components on the form. plot and gainBar are the images the plot area and the
// gain bar show; they must outlive the form.
TMainLayout BuildMainLayout(QWidget* form, const platform::Image& plot,
                            const platform::Image& gainBar);

// Sets a widget's background colour (panels and labels).
void SetBackground(QWidget* widget, QColor colour);
// Sets a label's text colour.
void SetTextColour(QLabel* label, QColor colour);

} // namespace tickora
