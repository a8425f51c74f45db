#include "app/ResultDisplay.h"

#include "platform/testing/TestApplication.h"

#include <gtest/gtest.h>

#include <QWidget>

using namespace tickora;

namespace {

class ResultDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::EnsureTestApplication();
        form_ = std::make_unique<QWidget>();
        layout_ = BuildMainLayout(form_.get(), plot_, gain_);
        display_ = std::make_unique<TResultDisplay>(layout_, gain_);
    }

    static QColor Colour(const QLabel* label) {
        return label->palette().color(QPalette::WindowText);
    }

    platform::Image plot_{kPlotWidth, kPlotHeight};
    platform::Image gain_{kGainBarWidth, 43};
    std::unique_ptr<QWidget> form_;
    TMainLayout layout_;
    std::unique_ptr<TResultDisplay> display_;
};

} // namespace

TEST_F(ResultDisplayTest, LayoutMatchesTheDesign) {
    EXPECT_EQ(layout_.LeftPanel->geometry(), QRect(0, 0, 56, 566));
    EXPECT_EQ(layout_.TopPanel->geometry(), QRect(0, 0, 960, 55));
    EXPECT_EQ(layout_.PlotArea->geometry(), QRect(0, 55, 960, 511));
    EXPECT_EQ(layout_.Headings[2]->geometry(), QRect(408, 5, 90, 16));
    EXPECT_EQ(layout_.ParametersLabel()->geometry(), QRect(612, 24, 248, 24));
    EXPECT_EQ(layout_.Headings[0]->text(), "DAILY RATE");
    EXPECT_EQ(layout_.CalibrationProgressBar->maximum(), 1000);
    EXPECT_EQ(layout_.CalibrationProgressPanel->geometry(), QRect(355, 248, 305, 81));
    EXPECT_EQ(layout_.RateErrorLabel()->font().family(), "Cousine");
    EXPECT_TRUE(layout_.RateErrorLabel()->font().bold());
}

TEST_F(ResultDisplayTest, ColoursTellProvisionalCompleteAndLongTerm) {
    display_->ShowRate(false, 1.25, false, false);
    EXPECT_EQ(layout_.RateErrorLabel()->text(), "+1.2s/d");
    EXPECT_EQ(Colour(layout_.RateErrorLabel()), QColor(204, 0, 0));
    display_->ShowRate(true, -12.0, false, false);
    EXPECT_EQ(layout_.RateErrorLabel()->text(), "- 12s/d");
    EXPECT_EQ(Colour(layout_.RateErrorLabel()), QColor(0, 119, 0));
    display_->ShowRate(true, 3.0, true, false);
    EXPECT_EQ(Colour(layout_.RateErrorLabel()), QColor(153, 0, 102));
    display_->ShowRate(true, 3.0, true, true);
    EXPECT_EQ(Colour(layout_.RateErrorLabel()), QColor(0, 119, 0));

    display_->ShowAmplitude(true, 7.4, true, false);
    EXPECT_EQ(layout_.AmplitudeLabel()->text(), QString::fromUtf8("  7\u00b0"));
    EXPECT_EQ(Colour(layout_.AmplitudeLabel()), QColor(51, 51, 204));

    display_->ShowBeatError(true, 12.3);
    EXPECT_EQ(layout_.BeatErrorLabel()->text(), " 12ms");
    EXPECT_EQ(Colour(layout_.BeatErrorLabel()), QColor(0, 119, 0));

    display_->DimResults();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Colour(layout_.Results[i]), QColor(240, 207, 235));
    EXPECT_EQ(Colour(layout_.ParametersLabel()), QColor(Qt::black));
}

TEST_F(ResultDisplayTest, GainBarSitsRightOfTheParametersWithItsLabel) {
    EXPECT_EQ(display_->PlaceGain(), 43);
    EXPECT_EQ(layout_.VolumeIndicator->geometry(), QRect(960 - 12 - 5, 5, 12, 43));
    EXPECT_EQ(layout_.VolumeLabel->geometry(), QRect(943 - 5 - 40, 5 + (43 - 16) / 2, 40, 16));

    display_->ShowGain(256.0);
    EXPECT_FALSE(layout_.VolumeIndicator->isHidden());
    EXPECT_EQ(layout_.VolumeLabel->text(), "+48dB");
    EXPECT_EQ(gain_.Pixel(1, 1), platform::RgbOf(224, 148, 212));
    display_->HideGain();
    EXPECT_TRUE(layout_.VolumeIndicator->isHidden());
    EXPECT_TRUE(layout_.VolumeLabel->isHidden());
}

TEST_F(ResultDisplayTest, GainMovesOntoTheManualLevelPanelAndBack) {
    display_->PlaceGain();
    display_->ShowGain(2.0);
    display_->SetGainParent(true);
    EXPECT_EQ(layout_.VolumeIndicator->parentWidget(), layout_.ManualLevelPanel);
    EXPECT_EQ(layout_.VolumeLabel->parentWidget(), layout_.ManualLevelPanel);
    EXPECT_FALSE(layout_.VolumeLabel->isHidden());
    EXPECT_EQ(layout_.VolumeIndicator->x(), 943);
    display_->SetGainParent(false);
    EXPECT_EQ(layout_.VolumeIndicator->parentWidget(), layout_.TopPanel);
}

TEST_F(ResultDisplayTest, ExportLabelsFollowThePanelAndLeaveOutHiddenOnes) {
    display_->PlaceGain();
    display_->HideGain();
    display_->ShowRate(true, 0.0, false, false);
    auto labels = display_->LabelsForExport();
    ASSERT_EQ(labels.size(), 8u);
    EXPECT_EQ(labels[0].text, "DAILY RATE");
    EXPECT_EQ(labels[4].text, "-0.0s/d");
    EXPECT_EQ(labels[4].font.colour, platform::RgbOf(0, 119, 0));
    EXPECT_EQ(labels[4].font.pixelHeight, 21);
    EXPECT_TRUE(labels[4].font.bold);
    EXPECT_EQ(labels[4].left, 112);
    EXPECT_EQ(labels[4].top, 24);
    display_->ShowGain(4.0);
    labels = display_->LabelsForExport();
    ASSERT_EQ(labels.size(), 9u);
    EXPECT_EQ(labels[8].text, "+12dB");
}

// The signal verdict says what a watchmaker can act on, whatever the share of beats used:
// pure scatter with most beats "used" is no watch, a trusted reading is green only when the
// results are.
TEST_F(ResultDisplayTest, SignalVerdictComesFromTheTrustRulesNotTheShareUsed) {
    const auto shown = [this](double used, double scatter, bool trusted, double span) {
        dsp::TickResult r;
        r.Valid = true;
        r.Used = used;
        r.Scatter = scatter;
        r.Trusted = trusted;
        r.Span = span;
        display_->ShowSignal(r, 20);
        return layout_.SignalLabel->text().toStdString();
    };
    EXPECT_EQ(shown(0.97, 72.9, false, 20.0), "no watch heard\n97% 72.9ms");
    EXPECT_EQ(Colour(layout_.SignalLabel), QColor(176, 0, 0));
    EXPECT_EQ(shown(0.93, 0.40, false, 20.0), "weak: reposition\n93% 0.40ms");
    EXPECT_EQ(shown(0.98, 0.03, true, 12.0), "good so far\n98% 0.03ms");
    // A few beats into a test the rate is not yet known well enough to trust: the sound is
    // not to blame.
    EXPECT_EQ(shown(1.0, 0.01, false, 2.0), "good so far\n100% 0.01ms");
    EXPECT_NE(Colour(layout_.SignalLabel), QColor(0, 128, 0));
    EXPECT_EQ(shown(0.98, 0.03, true, 20.0), "good\n98% 0.03ms");
    EXPECT_EQ(Colour(layout_.SignalLabel), QColor(0, 128, 0));
}
