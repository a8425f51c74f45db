#include "app/MainLayout.h"

#include <QFont>
#include <QPalette>

namespace tickora {

namespace {

const QColor kPanelGrey(204, 204, 204);
const QColor kPalePink(240, 207, 235);
const QColor kResultRed(204, 0, 0);
const QColor kVolumePurple(128, 41, 113);

QFont Arial13() {
    QFont font("Arial");
    font.setPixelSize(13);
    return font;
}

QFont Cousine21() {
    QFont font("Cousine");
    font.setPixelSize(21);
    font.setBold(true);
    return font;
}

ClickableLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect place,
                          const QFont& font, QColor colour, Qt::Alignment align) {
    auto* label = new ClickableLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setFont(font);
    label->setAlignment(align);
    SetTextColour(label, colour);
    return label;
}

struct ResultColumn {
    const char* headingName;
    const char* labelName;
    const char* heading;
    const char* design;
    int left;
    int width;
};

const QColor kSignalGrey(96, 96, 96);

constexpr ResultColumn kColumns[4] = {
    {"RateErrorHeading", "RateErrorLabel", "DAILY RATE", "-0.0s/d", 112, 105},
    {"AmplitudeHeading", "AmplitudeLabel", "AMPLITUDE", "275\u00b0", 276, 73},
    {"BeatErrorHeading", "BeatErrorLabel", "BEAT ERROR", "0.0ms", 408, 90},
    {"ParametersHeading", "ParametersLabel", "PARAMETERS", "28800bph 52\u00b0 200s", 612, 248},
};

} // namespace

void SetBackground(QWidget* widget, QColor colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetTextColour(QLabel* label, QColor colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

TMainLayout BuildMainLayout(QWidget* form, const platform::Image& plot,
                            const platform::Image& gainBar) {
    TMainLayout l;
    form->setFont(Arial13());
    SetBackground(form, Qt::white);

    l.LeftPanel = new QWidget(form);
    l.LeftPanel->setObjectName("LeftPanel");
    l.LeftPanel->setGeometry(0, 0, kLeftPanelWidth, kClientHeight);
    SetBackground(l.LeftPanel, kPanelGrey);

    l.RightPanel = new QWidget(form);
    l.RightPanel->setObjectName("RightPanel");
    l.RightPanel->setGeometry(kLeftPanelWidth, 0, kPlotWidth, kClientHeight);
    SetBackground(l.RightPanel, Qt::white);

    l.TopPanel = new QWidget(l.RightPanel);
    l.TopPanel->setObjectName("TopPanel");
    l.TopPanel->setGeometry(0, 0, kPlotWidth, kTopPanelHeight);
    SetBackground(l.TopPanel, Qt::white);

    // Headings first, then the result labels: the panel's order, which the export follows.
    for (int i = 0; i < 4; ++i) {
        const ResultColumn& c = kColumns[i];
        l.Headings[i] =
            MakeLabel(l.TopPanel, c.headingName, c.heading, QRect(c.left, 5, c.width, 16),
                      Arial13(), Qt::black, Qt::AlignHCenter | Qt::AlignTop);
    }
    for (int i = 0; i < 4; ++i) {
        const ResultColumn& c = kColumns[i];
        l.Results[i] = MakeLabel(
            l.TopPanel, c.labelName, QString::fromUtf8(c.design), QRect(c.left, 24, c.width, 24),
            Cousine21(), i < 3 ? kResultRed : QColor(Qt::black), Qt::AlignHCenter | Qt::AlignTop);
    }

    // In the gap between the beat error and the parameters, small and grey, so the strip's
    // layout is unchanged.
    l.SignalHeading = MakeLabel(l.TopPanel, "SignalHeading", "SIGNAL", QRect(502, 5, 106, 16),
                                Arial13(), kSignalGrey, Qt::AlignHCenter | Qt::AlignTop);
    // Two lines: the verdict, then its figures.
    l.SignalLabel = MakeLabel(l.TopPanel, "SignalLabel", "", QRect(502, 22, 106, 32), Arial13(),
                              kSignalGrey, Qt::AlignHCenter | Qt::AlignTop);
    l.SignalHeading->setToolTip(
        "How well the watch is heard:\n"
        "good: clear, regular beats; the results are final once the averaging period is full.\n"
        "good so far: the same, the period not yet full.\n"
        "weak: reposition: too many beats set aside or scattered; move the microphone, press "
        "it more firmly or try a filter.\n"
        "no watch heard: no regular beat at all.\n"
        "Under it: the share of the beats used (good from 75%) and their timing scatter (good "
        "below 0.25ms).");
    l.SignalLabel->setToolTip(l.SignalHeading->toolTip());

    l.VolumeIndicator = new ImageView(gainBar, l.TopPanel);
    l.VolumeIndicator->setObjectName("VolumeIndicator");
    l.VolumeIndicator->setGeometry(kPlotWidth - kGainBarWidth - 5, 5, kGainBarWidth, 43);

    l.VolumeLabel = MakeLabel(l.TopPanel, "VolumeLabel", "+30dB", QRect(0, 0, 40, 16), Arial13(),
                              kVolumePurple, Qt::AlignRight | Qt::AlignTop);

    l.ManualLevelPanel =
        new QLabel("    Set threshold level (dotted line) using the up and down arrow keys. Adjust "
                   "signal level with the + and - keys. Press the space bar to begin testing.",
                   l.TopPanel);
    l.ManualLevelPanel->setObjectName("ManualLevelPanel");
    l.ManualLevelPanel->setGeometry(0, kTopPanelHeight - 17, kPlotWidth, 17);
    l.ManualLevelPanel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetBackground(l.ManualLevelPanel, kPalePink);
    l.ManualLevelPanel->hide();

    l.PlotArea = new ImageView(plot, l.RightPanel);
    l.PlotArea->setObjectName("PlotArea");
    l.PlotArea->setGeometry(0, kTopPanelHeight, kPlotWidth, kPlotHeight);

    l.CalibrationProgressPanel = new QWidget(form);
    l.CalibrationProgressPanel->setObjectName("CalibrationProgressPanel");
    l.CalibrationProgressPanel->setGeometry(355, 248, 305, 81);
    SetBackground(l.CalibrationProgressPanel, Qt::white);
    l.CalibrationLabel =
        new QLabel("Adjusting Levels and Verifying Rate", l.CalibrationProgressPanel);
    l.CalibrationLabel->setObjectName("CalibrationLabel");
    l.CalibrationLabel->move(30, 16);
    l.CalibrationLabel->adjustSize();
    l.CalibrationProgressBar = new QProgressBar(l.CalibrationProgressPanel);
    l.CalibrationProgressBar->setObjectName("CalibrationProgressBar");
    l.CalibrationProgressBar->setGeometry(8, 40, 289, 25);
    l.CalibrationProgressBar->setRange(0, 1000);
    l.CalibrationProgressBar->setTextVisible(false);
    l.CalibrationProgressPanel->hide();
    return l;
}

} // namespace tickora
