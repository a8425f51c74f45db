// Not a test: times a simulated watch in the six standard positions on the main window, then
// saves a picture of the performance report and prints it to a PDF file, for the manual.
//     report_demo OUTPUT_FOLDER      (writes report-dialog.png and report-print.pdf)
#include "app/MainForm.h"
#include "app/SettingsAccess.h"
#include "audio/testing/ScriptedInputs.h"
#include "dsp/synth/WatchSynthesiser.h"
#include "pages/Annotate.h"
#include "pages/Timestamp.h"
#include "platform/testing/FakeDialogs.h"
#include "report/ui/ReportForm.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace tickora;

class DemoSettings : public SettingsAccess {
public:
    TSettingsRecord record;
    void StartupLoad() override {}
    void ShowSettings() override {}
    void FillRecord(TSettingsRecord& target) override { target = record; }
    void StoreBack(TSettingsRecord& target) override {
        if (target.Changed)
            record.Weights = target.Weights;
        target.Changed = false;
    }
};

struct Position {
    double rate;      // s/d
    double amplitude; // degrees
    double beatError; // ms
};

// A watch that gains a little dial up and loses crown down, as watches do.
constexpr std::array<Position, 6> kPositions = {{
    {4.0, 296.0, 0.2},
    {5.5, 292.0, 0.2},
    {-1.5, 268.0, 0.4},
    {-4.0, 262.0, 0.5},
    {0.8, 271.0, 0.3},
    {-2.2, 266.0, 0.4},
}};

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const std::string out = argc > 1 ? argv[1] : ".";
    QTemporaryDir dataDir;
    setenv("XDG_DATA_HOME", dataDir.path().toLocal8Bit().constData(), 1);

    platform::testing::FakeDialogs dialogs;
    auto analysis = std::make_unique<dsp::SignalAnalysis>();
    int commits = 0;
    pages::PageHistory history([&commits] {
        // One position every six and a half minutes from 09:12:10.
        return pages::TimestampOf(2024, 3, 15, 9, 12, 10.0 + 390.0 * commits++);
    });
    longterm::LongTermAccumulation longTerm;
    testing::ScriptedInputs inputs{{"Simulated watch"}, 1};
    DemoSettings settings;
    settings.record.Period = 10;
    settings.record.Settling = 5;
    settings.record.Weights = {2, 1, 1, 1, 1, 1}; // dial up counts double

    TMainForm form(TMainFormServices{dialogs, *analysis, history, longTerm, inputs});
    form.SetSettings(&settings);
    form.show();
    form.FormActivate();

    for (int p = 0; p < 6; ++p) {
        synth::WatchParameters watch = synth::SimulatedWatch28800();
        watch.rate = kPositions[p].rate;
        watch.amplitude = kPositions[p].amplitude;
        watch.beatError = kPositions[p].beatError;
        watch.seed = 11 + p;
        synth::WatchSynthesiser synthesiser(watch);
        const auto feed = [&] {
            std::array<std::int16_t, kCaptureBufferSamples> samples{};
            synthesiser.Generate(samples.data(), samples.size());
            const bool taken = inputs.Current()->Push(samples);
            QCoreApplication::processEvents();
            return taken;
        };
        form.StartButtonClick();
        for (int i = 0; i < 400 && form.State() == MeasurementState::Calibrating && feed(); ++i) {
        }
        const int buffers = 24 * kCaptureSampleRate / kCaptureBufferSamples; // 24 s
        for (int i = 0; i < buffers && form.State() == MeasurementState::Testing && feed(); ++i) {
        }
        const std::int32_t before = history.PageCount();
        form.StopButtonClick();
        history.SetPageAnnotation(history.PageCount(), pages::PositionName(p + 1));
        form.ShowPage(history.PageCount());
        std::printf("%s: %d page(s) added\n", pages::PositionName(p + 1).c_str(),
                    history.PageCount() - before);
    }

    TReportFormHost host;
    host.pageCount = [&history] { return history.PageCount(); };
    host.getPage = [&history](std::int32_t index) { return history.GetPage(index); };
    host.fillRecord = [&settings](TSettingsRecord& record) { settings.FillRecord(record); };
    host.storeBack = [&settings](TSettingsRecord& record) { settings.StoreBack(record); };
    host.showPage = [&form](std::int32_t index) { form.ShowPage(index); };
    host.plotArea = [&form] { return &form.Plot(); };
    host.applicationTitle = [&form] { return form.ApplicationTitle(); };
    TReportForm report(dialogs, host, &form);
    report.show();
    report.TitleEdit()->setText("Customer watch 17 - after service");
    QCoreApplication::processEvents();
    report.grab().save(QString::fromStdString(out + "/report-dialog.png"));
    std::printf("saved report-dialog.png\n");

    dialogs.QueuePdfPrinter(out + "/report-print.pdf");
    const auto start = std::chrono::steady_clock::now();
    report.PrintButton()->click();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s report-print.pdf (%.0f ms, A4 at 300 pixels per inch)\n",
                report.isVisible() ? "failed to print" : "printed", ms);
    return report.isVisible() ? 1 : 0;
}
