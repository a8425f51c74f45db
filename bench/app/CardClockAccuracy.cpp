// How close the sound card clock assistant comes, and what uncertainty it shows, after 1, 3
// and 10 minutes on a simulated card whose clock runs off by a known amount. The card is
// the program's simulated watch input, paced by the wall clock on its own thread, so the
// figures include the real delivery of buffers to a window; it runs in real time.
//     CardClockAccuracy computer|quartz [CARD_ERROR_SPD] [MINUTES...]
// Run with QT_QPA_PLATFORM=offscreen.
#include "app/clock/CardClockForm.h"
#include "audio/SimulatedWatchInput.h"
#include "platform/testing/FakeDialogs.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace tickora;

// One input: a simulated card with a clock error, carrying a watch or a quartz watch.
class SimulatedCard : public InputCatalog {
public:
    explicit SimulatedCard(const synth::WatchParameters& parameters) : parameters_(parameters) {}
    int ListInputs(std::vector<std::string>& names) override {
        names.emplace_back("Simulated card");
        return 0;
    }
    std::unique_ptr<AudioInput> CreateInput(int) override {
        return std::make_unique<SimulatedWatchInput>(parameters_);
    }

private:
    synth::WatchParameters parameters_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const bool quartz = argc > 1 && std::string(argv[1]) == "quartz";
    const double cardError = argc > 2 ? std::atof(argv[2]) : 4.3; // s/d
    std::vector<int> minutes;
    for (int i = 3; i < argc; ++i)
        minutes.push_back(std::atoi(argv[i]));
    if (minutes.empty())
        minutes = {1, 3, 10};

    synth::WatchParameters parameters = synth::SimulatedWatch28800();
    if (quartz) {
        parameters.beatsPerHour = 3600;
        parameters.rate = 0.0;
    }
    parameters.clockError = cardError;
    SimulatedCard card(parameters);
    platform::testing::FakeDialogs dialogs;
    dsp::SignalAnalysis analysis;
    TCardClockForm assistant(dialogs, card, analysis);

    std::printf("method %s, card clock error %+.3f s/d\n", quartz ? "quartz" : "computer",
                cardError);
    std::printf("%8s %12s %12s %12s\n", "minutes", "measured", "error", "shown +-");
    QTimer::singleShot(100, [&] {
        if (quartz)
            assistant.QuartzRadioButton()->click();
        assistant.StartButton()->click();
        for (const int m : minutes) {
            QTimer::singleShot(m * 60000, [&assistant, m, cardError, last = m == minutes.back()] {
                const ClockFit::Result r = assistant.Estimate();
                std::printf("%8d %+12.3f %+12.3f %12.3f\n", m, r.error, r.error - cardError,
                            r.uncertainty);
                std::fflush(stdout);
                if (last)
                    assistant.OKButton()->click();
            });
        }
    });
    assistant.Measure(0);
    return 0;
}
