#include "audio/SystemInputs.h"
#include "audio/TAudio.h"
#include "dsp/DSP.h"
#include "platform/testing/FakeDialogs.h"
#include "platform/testing/TestApplication.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

using tickora::CaptureBuffer;

constexpr int kSettling = 3;   // s
constexpr int kPeriod = 2;     // s, averaging period
constexpr int kLiftAngle = 52; // degrees

// Runs the signal analysis on each delivered buffer as the main window does: calibration
// with rate detection first, then tick detection, collecting the settled results.
class Analyser {
public:
    Analyser() : analysis_(std::make_unique<dsp::SignalAnalysis>()) {
        analysis_->ResetFilter();
        analysis_->BeginCalibration(kSettling, dsp::kFilterWide, 0.0);
    }

    static void Deliver(void* owner, const CaptureBuffer& buffer) {
        static_cast<Analyser*>(owner)->Handle(buffer);
    }

    bool calibrated = false;
    bool calibrationFailed = false;
    int beatsPerHour = 0;
    std::vector<dsp::TickResult> settled;
    std::int64_t samples = 0;
    int buffers = 0;
    int outOfOrder = 0;
    int offGuiThread = 0;
    int shortBuffers = 0;

private:
    void Handle(const CaptureBuffer& buffer) {
        outOfOrder += buffer.number == buffers % tickora::kCaptureBufferCount + 1 ? 0 : 1;
        offGuiThread += QThread::currentThread() == QCoreApplication::instance()->thread() ? 0 : 1;
        shortBuffers += buffer.bytesRecorded == 8192 ? 0 : 1;
        ++buffers;
        samples += buffer.SampleCount();
        if (calibrationFailed) {
            return;
        }
        if (!calibrated) {
            if (analysis_->AddCalibrationSamples(buffer.data, buffer.SampleCount())) {
                double peak = 0.0;
                double rate = 0.0;
                calibrated = analysis_->FinishCalibration(0, kLiftAngle, beatsPerHour, peak, rate);
                calibrationFailed = !calibrated;
            }
            return;
        }
        if (analysis_->ProcessTickSamples(buffer.data, buffer.SampleCount(), kPeriod, {}, 511,
                                          false, kLiftAngle)) {
            dsp::TickResult result;
            while (analysis_->NextTickResult(result)) {
                if (dsp::IsSettled(result, kPeriod)) {
                    settled.push_back(result);
                }
            }
        }
    }

    std::unique_ptr<dsp::SignalAnalysis> analysis_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

TEST(SimulatedWatch, DeliversRealTimeSoundThatMeasuresToItsTruth) {
    platform::testing::EnsureTestApplication();
    platform::testing::FakeDialogs dialogs;
    tickora::SystemInputs inputs;
    tickora::TAudio audio(dialogs, inputs);
    std::vector<std::string> items;
    audio.ListInputDevices(items);
    const auto found = std::find(items.begin(), items.end(), "Simulated watch 28800 bph");
    ASSERT_NE(found, items.end());

    Analyser analyser;
    audio.OpenDevice(static_cast<int>(found - items.begin()) - 1, 44100, &Analyser::Deliver,
                     &analyser);
    ASSERT_TRUE(audio.IsOpen());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(audio.StartCapture());
    const auto deadline = start + std::chrono::seconds(30);
    while (analyser.settled.size() < 12 && !analyser.calibrationFailed &&
           std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    audio.CloseDevice();

    EXPECT_TRUE(dialogs.Messages().empty());
    EXPECT_EQ(analyser.outOfOrder, 0);
    EXPECT_EQ(analyser.offGuiThread, 0);
    EXPECT_EQ(analyser.shortBuffers, 0);
    // Paced by the clock: the sound never arrives ahead of its time.
    EXPECT_LE(static_cast<double>(analyser.samples), elapsed * 44100 + 4096);

    // The watch's truth: 28800 bph, -3.0 s/d, 290 degrees at lift angle 52, 0.2 ms.
    ASSERT_TRUE(analyser.calibrated);
    EXPECT_EQ(analyser.beatsPerHour, 28800);
    ASSERT_GE(analyser.settled.size(), 12u);
    std::vector<double> rates;
    std::vector<double> amplitudes;
    std::vector<double> beatErrors;
    for (const dsp::TickResult& result : analyser.settled) {
        rates.push_back(result.Rate);
        amplitudes.push_back(result.Amplitude);
        beatErrors.push_back(result.BeatError);
    }
    EXPECT_NEAR(Median(rates), -3.0, 0.5);       // s/d
    EXPECT_NEAR(Median(amplitudes), 290.0, 3.0); // degrees
    EXPECT_NEAR(Median(beatErrors), 0.2, 0.05);  // ms
}

} // namespace
