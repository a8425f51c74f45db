// Tickora: a timegrapher for mechanical watches. Reads no command line.
#include "app/MainForm.h"
#include "app/SettingsFormAccess.h"
#include "app/StartupPicture.h"
#include "audio/SystemInputs.h"
#include "dsp/DSP.h"
#include "longterm/LongTerm.h"
#include "pages/PageHistory.h"
#include "platform/QtDialogs.h"
#include "settings/SettingsForm.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tickora");

    platform::QtDialogs dialogs;

    // The start-up picture shows while the windows are made and the first activation runs.
    tickora::TStartupPicture startupPicture;
    startupPicture.show();
    startupPicture.repaint();
    QApplication::processEvents();
    const std::uint64_t shownAt = dialogs.TickCount();

    // The single process-wide instances; the analysis is large, so it lives on the heap.
    auto analysis = std::make_unique<dsp::SignalAnalysis>();
    auto pageHistory = std::make_unique<pages::PageHistory>();
    auto longTerm = std::make_unique<longterm::LongTermAccumulation>();
    tickora::SystemInputs inputs;

    tickora::TMainForm form(
        tickora::TMainFormServices{dialogs, *analysis, *pageHistory, *longTerm, inputs});
    dialogs.SetParent(&form);

    tickora::SettingsFormHost host;
    host.pageCount = [&pageHistory] { return pageHistory->PageCount(); };
    host.clearPages = [&form] { form.ClearPages(); };
    host.showAbout = [&startupPicture] { startupPicture.ShowAsAbout(); };
    host.listInputDevices = [&form] {
        std::vector<std::string> items;
        form.AudioCapture().ListInputDevices(items);
        return items;
    };
    tickora::TSettingsForm settingsForm(dialogs, host, &form);
    tickora::SettingsFormAccess settings(settingsForm);
    form.SetSettings(&settings);
    form.SetStartupPicture(&startupPicture, shownAt);

    form.show();
    form.activateWindow();
    return application.exec();
}
