// Time to handle one 4096-sample buffer in the main window: in Testing (tick detection,
// results, labels and trace drawing) and in Scope (a filter step and drawing per sample).
// Run with QT_QPA_PLATFORM=offscreen.
#include "app/KeyCodes.h"
#include "app/MainForm.h"
#include "app/SettingsAccess.h"
#include "audio/testing/ScriptedInputs.h"
#include "dsp/synth/WatchSynthesiser.h"
#include "platform/testing/FakeDialogs.h"
#include "platform/testing/TestApplication.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <array>
#include <cstdlib>
#include <memory>

namespace {

using namespace tickora;

// The settings a watchmaker would use for a quiet bench, with the filter under test.
TSettingsRecord BenchRecord(int filtering) {
    TSettingsRecord record;
    record.Filtering = filtering;
    return record;
}

class Rig {
public:
    explicit Rig(int filtering) : settings_(BenchRecord(filtering)) {
        platform::testing::EnsureTestApplication();
        setenv("XDG_DATA_HOME", dataDir_.path().toLocal8Bit().constData(), 1);
        form_ = std::make_unique<TMainForm>(
            TMainFormServices{dialogs_, *analysis_, pages_, longTerm_, inputs_});
        form_->SetSettings(&settings_);
        form_->show();
        form_->FormActivate();
        block_ = std::make_unique<std::int16_t[]>(kCaptureBufferSamples);
        buffer_.data = block_.get();
        buffer_.bufferLength = kCaptureBufferBytes;
        buffer_.bytesRecorded = kCaptureBufferBytes;
    }

    TMainForm& Form() { return *form_; }

    // The next buffer of the simulated 28800 bph watch.
    const CaptureBuffer& Next() {
        synth_.Generate(block_.get(), kCaptureBufferSamples);
        return buffer_;
    }

    void Calibrate() {
        form_->FormKeyDown(vk::Space, false);
        while (form_->State() == MeasurementState::Calibrating)
            form_->ProcessAudioBuffer(Next());
    }

private:
    FixedSettings settings_;
    QTemporaryDir dataDir_;
    platform::testing::FakeDialogs dialogs_;
    std::unique_ptr<dsp::SignalAnalysis> analysis_ = std::make_unique<dsp::SignalAnalysis>();
    pages::PageHistory pages_;
    longterm::LongTermAccumulation longTerm_;
    testing::ScriptedInputs inputs_{{"Scripted watch"}, 1};
    synth::WatchSynthesiser synth_{synth::SimulatedWatch28800()};
    std::unique_ptr<TMainForm> form_;
    std::unique_ptr<std::int16_t[]> block_;
    CaptureBuffer buffer_;
};

void BM_TestingBuffer(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(1)));
    rig.Calibrate();
    if (rig.Form().State() != MeasurementState::Testing) {
        state.SkipWithError("calibration failed");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        const CaptureBuffer& buffer = rig.Next();
        state.ResumeTiming();
        rig.Form().ProcessAudioBuffer(buffer);
        if (state.range(0))
            QCoreApplication::processEvents(); // paints the plot area too
    }
    state.counters["state"] = static_cast<double>(rig.Form().State());
}
// Arguments: paint the window after each buffer (0, 1); filter kind (0 None, 3 Narrow).
BENCHMARK(BM_TestingBuffer)
    ->ArgsProduct({{0, 1}, {0, 3}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(600)
    ->Repetitions(3)
    ->ReportAggregatesOnly(false);

void BM_ScopeBuffer(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(1)));
    rig.Form().FormKeyDown(vk::S, false);
    if (rig.Form().State() != MeasurementState::Scope) {
        state.SkipWithError("scope did not start");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        const CaptureBuffer& buffer = rig.Next();
        state.ResumeTiming();
        rig.Form().ProcessAudioBuffer(buffer);
        if (state.range(0))
            QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ScopeBuffer)
    ->ArgsProduct({{0, 1}, {0, 3}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(600)
    ->Repetitions(3);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
