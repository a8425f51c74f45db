// Opens the 28800 bph simulated watch through TAudio, takes its buffers on the GUI thread
// for a few seconds and prints how many came and at what pace.
//     tickora-audio-demo [seconds]

#include "audio/SystemInputs.h"
#include "audio/TAudio.h"
#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Message boxes become lines on stderr; the demo has no window.
class ConsoleDialogs : public platform::Dialogs {
public:
    platform::MessageResult ShowMessage(const std::string& text, platform::MessageIcon,
                                        platform::MessageButtons) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return platform::MessageResult::Ok;
    }
    std::optional<std::string> AskSaveFileName(const std::string&, const std::string&,
                                               const std::string&) override {
        return std::nullopt;
    }
    std::unique_ptr<platform::PrintJob> AskPrinter() override { return nullptr; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    std::uint64_t TickCount() override {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
                .count());
    }
    bool OpenDocument(const std::string&) override { return false; }
};

struct Receiver {
    std::vector<Clock::time_point> arrivals; // reserved up front
    std::int64_t samples = 0;
    int lastNumber = 0;
    int outOfOrder = 0;
    int offGuiThread = 0;
    int peak = 0;
    QThread* guiThread = nullptr;

    static void Deliver(void* owner, const tickora::CaptureBuffer& buffer) {
        auto* self = static_cast<Receiver*>(owner);
        // Interval figures use full buffers only; the one a stop cut short comes early.
        if (buffer.bytesRecorded == buffer.bufferLength &&
            self->arrivals.size() < self->arrivals.capacity()) {
            self->arrivals.push_back(Clock::now());
        }
        self->samples += buffer.SampleCount();
        // The ring is used round-robin while the handler keeps up: 1, 2, ... 20, 1, ...
        const int expected = self->lastNumber % tickora::kCaptureBufferCount + 1;
        self->outOfOrder += buffer.number == expected ? 0 : 1;
        self->lastNumber = buffer.number;
        self->offGuiThread += QThread::currentThread() == self->guiThread ? 0 : 1;
        for (int i = 0; i < buffer.SampleCount(); ++i) {
            self->peak = std::max(self->peak, std::abs(static_cast<int>(buffer.data[i])));
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;

    ConsoleDialogs dialogs;
    tickora::SystemInputs inputs;
    tickora::TAudio audio(dialogs, inputs);

    std::vector<std::string> names;
    const int cards = audio.ListInputDevices(names);
    std::printf("inputs (%d sound cards):\n", cards);
    int device = -2;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::printf("  %3d  %s\n", static_cast<int>(i) - 1, names[i].c_str());
        if (names[i] == "Simulated watch 28800 bph") {
            device = static_cast<int>(i) - 1;
        }
    }

    Receiver receiver;
    receiver.arrivals.reserve(4096);
    receiver.guiThread = QThread::currentThread();
    audio.OpenDevice(device, tickora::kCaptureSampleRate, &Receiver::Deliver, &receiver);
    if (!audio.IsOpen() || !audio.StartCapture()) {
        return 1;
    }
    const Clock::time_point start = Clock::now();
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, &application, [&] {
        audio.StopCapture(true);
        application.quit();
    });
    application.exec();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    // Buffers the stop cut short arrive after it; let them in before the figures.
    QCoreApplication::processEvents();
    audio.CloseDevice();

    const auto& t = receiver.arrivals;
    double minGap = 1e9;
    double maxGap = 0.0;
    for (std::size_t i = 1; i < t.size(); ++i) {
        const double gap = std::chrono::duration<double, std::milli>(t[i] - t[i - 1]).count();
        minGap = std::min(minGap, gap);
        maxGap = std::max(maxGap, gap);
    }
    const double span =
        t.size() > 1 ? std::chrono::duration<double>(t.back() - t.front()).count() : 0.0;
    std::printf("device %d open, capture ran %.3f s\n", device, elapsed);
    std::printf("buffers delivered: %llu, %zu of them full (%lld samples, peak %d)\n",
                static_cast<unsigned long long>(audio.DeliveredCount()), t.size(),
                static_cast<long long>(receiver.samples), receiver.peak);
    std::printf("pace: %.1f samples/s over the run; %.1f samples/s from the first full buffer to "
                "the last\n",
                receiver.samples / elapsed,
                t.size() > 1
                    ? (static_cast<double>(t.size() - 1) * tickora::kCaptureBufferSamples) / span
                    : 0.0);
    std::printf("buffer interval: mean %.2f ms (nominal %.2f ms), min %.2f ms, max %.2f ms\n",
                t.size() > 1 ? span * 1000.0 / static_cast<double>(t.size() - 1) : 0.0,
                1000.0 * tickora::kCaptureBufferSamples / tickora::kCaptureSampleRate, minGap,
                maxGap);
    std::printf("out of order: %d, delivered off the GUI thread: %d\n", receiver.outOfOrder,
                receiver.offGuiThread);
    return 0;
}
