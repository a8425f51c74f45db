#pragma once

#include "app/KeyCodes.h"
#include "app/MainForm.h"
#include "app/SettingsAccess.h"
#include "audio/testing/ScriptedInputs.h"
#include "dsp/synth/WatchSynthesiser.h"
#include "platform/testing/FakeDialogs.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>

namespace tickora::testing {

// Settings as a test scripts them: FillRecord hands out `record`, StoreBack keeps the gain.
class ScriptedSettings : public SettingsAccess {
public:
    TSettingsRecord record;
    int startupLoads = 0;
    int shown = 0;
    int storedBack = 0;
    double storedGain = 0.0;
    std::function<void(TSettingsRecord&)> onShow; // the user's edits in the dialog

    void StartupLoad() override { ++startupLoads; }
    void ShowSettings() override;
    void FillRecord(TSettingsRecord& target) override { target = record; }
    void StoreBack(TSettingsRecord& target) override;
};

// A main window with fresh process-wide instances, scripted sound and dialogs, and a data
// folder of its own.
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes and activates the window (settings first, so the first activation reads them).
    void Open();

    TMainForm& Form() { return *form_; }
    ScriptedInput& Input() { return *inputs_.Current(); }
    MeasurementState State() const { return form_->State(); }

    // Feeds one buffer of the watch's sound and lets it be delivered; false when the input
    // took no sound (not recording).
    bool FeedWatch();
    bool FeedSilence();
    // Feeds the watch for the given seconds of sound or until the state leaves `whileIn`.
    int FeedWatchFor(double seconds);
    int FeedUntilStateLeaves(MeasurementState state, int maxBuffers = 400);

    void Key(std::uint16_t key, bool shift = false) { form_->FormKeyDown(key, shift); }

    // Calibrates on the watch with the settings as they are and runs into Testing.
    void StartAndCalibrate();

    std::string LabelText(const QWidget* label) const;
    int Messages() const { return static_cast<int>(dialogs_.Messages().size()); }
    std::string LastMessage() const {
        return dialogs_.Messages().empty() ? "" : dialogs_.Messages().back().text;
    }
    // Counts pixels of the plot in the colour.
    int PlotPixels(platform::Rgb colour) const;

    std::string DataFolderPath() const { return dataDir_->path().toStdString() + "/Tickora"; }

    std::unique_ptr<QTemporaryDir> dataDir_;
    platform::testing::FakeDialogs dialogs_;
    std::unique_ptr<dsp::SignalAnalysis> analysis_;
    std::function<void()> onClock_; // runs whenever a page takes its time stamp
    std::unique_ptr<pages::PageHistory> pages_;
    longterm::LongTermAccumulation longTerm_;
    ScriptedInputs inputs_{{"Scripted watch"}, 1};
    ScriptedSettings settings_;
    synth::WatchParameters watch_ = synth::SimulatedWatch28800();
    std::unique_ptr<synth::WatchSynthesiser> synth_;
    std::unique_ptr<TMainForm> form_;
};

} // namespace tickora::testing
