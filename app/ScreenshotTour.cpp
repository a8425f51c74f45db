// Runs the program on the simulated 28800 bph watch in real time and saves pictures of its
// views: start-up picture, calibration, a test after a minute, scope view with the gain bar,
// manual-level view, a long-term chart, and exported PNG and JPEG pictures. For the documentation
// and for looking at the program on a machine without a display (run under xvfb-run).
//     tickora-screenshot-tour OUTPUT_FOLDER
// The data folder should be a scratch one (XDG_DATA_HOME) with "Settings.ini" choosing the
// simulated watch.
#include "app/ExportImage.h"
#include "app/KeyCodes.h"
#include "app/Program.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace tickora;

struct Step {
    int atMs; // after the start
    std::function<void()> action;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
    TickoraProgram program;
    TMainForm& form = program.Form();

    auto grab = [&out](QWidget& widget, const char* name) {
        widget.grab().save(out + "/" + name);
        std::printf("saved %s\n", name);
        std::fflush(stdout);
    };
    auto exportAs = [&form, &out](const char* name) {
        platform::Image bitmap;
        form.RenderExportImage(bitmap);
        SaveExportImage(bitmap, (out + "/" + name).toStdString());
        std::printf("exported %s\n", name);
        std::fflush(stdout);
    };
    auto key = [&form](std::uint16_t code) { form.FormKeyDown(code, false); };

    const std::vector<Step> steps = {
        {400, [&] { grab(program.StartupPicture(), "01-startup.png"); }},
        {3000, [&] { grab(form, "02-idle.png"); }},
        {3100, [&] { key(vk::Space); }},
        {5600, [&] { grab(form, "03-calibration.png"); }},
        {69000, [&] { grab(form, "04-test-one-minute.png"); }},
        {69100,
         [&] {
             key(vk::Escape);
             exportAs("07-export-test.png");
             exportAs("08-export-test.jpg");
         }},
        {70000, [&] { key(vk::S); }},
        {70200,
         [&] {
             for (int i = 0; i < 24; ++i)
                 key(vk::Add);
         }},
        {73000, [&] { grab(form, "05-scope.png"); }},
        {73100,
         [&] {
             key(vk::Escape);
             exportAs("09-export-scope.png");
             program.SettingsForm().ManualCheckBox()->setChecked(true);
             key(vk::Space);
         }},
        {81000,
         [&] {
             key(vk::Up);
             key(vk::Add);
         }},
        {83000, [&] { grab(form, "06-manual-level.png"); }},
        {83100,
         [&] {
             key(vk::Escape);
             program.SettingsForm().ManualCheckBox()->setChecked(false);
             key(vk::L);
         }},
        {128000, [&] { grab(form, "10-long-term.png"); }},
        {128100,
         [&] {
             key(vk::Escape);
             exportAs("11-export-long-term.png");
         }},
        {128500, [&] { application.quit(); }},
    };
    for (const Step& step : steps)
        QTimer::singleShot(step.atMs, &application, step.action);

    program.Show();
    return application.exec();
}
