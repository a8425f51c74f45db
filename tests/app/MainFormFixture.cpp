#include "MainFormFixture.h"

#include "platform/testing/TestApplication.h"

#include <QCoreApplication>
#include <QLabel>

#include <array>
#include <cstdlib>

namespace tickora::testing {

void ScriptedSettings::ShowSettings() {
    ++shown;
    if (onShow)
        onShow(record);
}

void ScriptedSettings::StoreBack(TSettingsRecord& target) {
    if (!target.Changed)
        return;
    ++storedBack;
    storedGain = target.Gain;
    record.Gain = target.Gain;
    target.Changed = false;
}

void MainFormTest::SetUp() {
    platform::testing::EnsureTestApplication();
    dataDir_ = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(dataDir_->isValid());
    setenv("XDG_DATA_HOME", dataDir_->path().toLocal8Bit().constData(), 1);
    analysis_ = std::make_unique<dsp::SignalAnalysis>();
    pages_ = std::make_unique<pages::PageHistory>([this] {
        if (onClock_)
            onClock_();
        return 45366.5; // 2024-03-15 12:00
    });
    settings_.record.Settling = 5;
    settings_.record.Period = 2;
}

void MainFormTest::TearDown() {
    form_.reset();
    unsetenv("XDG_DATA_HOME");
}

void MainFormTest::Open() {
    form_ = std::make_unique<TMainForm>(
        TMainFormServices{dialogs_, *analysis_, *pages_, longTerm_, inputs_});
    form_->SetSettings(&settings_);
    form_->show();
    form_->FormActivate();
    synth_ = std::make_unique<synth::WatchSynthesiser>(watch_);
}

bool MainFormTest::FeedWatch() {
    std::array<std::int16_t, kCaptureBufferSamples> samples{};
    synth_->Generate(samples.data(), samples.size());
    const bool taken = Input().Push(samples);
    QCoreApplication::processEvents();
    return taken;
}

bool MainFormTest::FeedSilence() {
    const bool taken = Input().PushBuffers(1, 0) == 1;
    QCoreApplication::processEvents();
    return taken;
}

int MainFormTest::FeedWatchFor(double seconds) {
    const int buffers = static_cast<int>(seconds * kCaptureSampleRate / kCaptureBufferSamples);
    int fed = 0;
    for (int i = 0; i < buffers && FeedWatch(); ++i)
        ++fed;
    return fed;
}

int MainFormTest::FeedUntilStateLeaves(MeasurementState state, int maxBuffers) {
    int fed = 0;
    while (State() == state && fed < maxBuffers && FeedWatch())
        ++fed;
    return fed;
}

void MainFormTest::StartAndCalibrate() {
    Key(vk::Space);
    ASSERT_EQ(State(), MeasurementState::Calibrating);
    FeedUntilStateLeaves(MeasurementState::Calibrating);
    ASSERT_EQ(State(),
              settings_.record.Manual ? MeasurementState::ManualLevel : MeasurementState::Testing)
        << LastMessage();
}

std::string MainFormTest::LabelText(const QWidget* label) const {
    return static_cast<const QLabel*>(label)->text().toStdString();
}

int MainFormTest::PlotPixels(platform::Rgb colour) const {
    const platform::Image& plot = form_->Plot();
    int count = 0;
    for (int y = 0; y < plot.Height(); ++y)
        for (int x = 0; x < plot.Width(); ++x)
            count += plot.Pixel(x, y) == colour;
    return count;
}

} // namespace tickora::testing
