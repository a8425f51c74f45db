// Not a test: runs the program twice on the simulated 28800 bph watch, in real time, and saves
// two pictures for the manual:
//   annotation-dialog.png  the annotation dialog over a fresh page, Dial Up chosen;
//   restored-page.png      the main window at the next start, showing the page the state file
//                          brought back, with its position caption.
//     annotation_shots OUTPUT_FOLDER
// It uses a scratch data folder of its own (XDG_DATA_HOME) and needs a display or
// QT_QPA_PLATFORM=offscreen. About 45 seconds.
#include "app/KeyCodes.h"
#include "app/Program.h"
#include "tests/app/ShotTools.h"

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace tickora;
using shots::Save;
using shots::Step;

int main(int argc, char* argv[]) {
    QTemporaryDir data;
    if (!data.isValid())
        return 1;
    shots::PrepareDataFolder(data, "28800");
    QApplication application(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
    bool ok = true;

    // First run: a 20-second test, stopped, annotated Dial Up, then the window closes.
    {
        TickoraProgram program;
        TMainForm& form = program.Form();
        TAnnotationForm& dialog = program.AnnotationForm();
        auto key = [&form](std::uint16_t code) { form.FormKeyDown(code, false); };
        shots::RunSteps(
            application,
            {
                {3000, [&] { key(vk::Space); }},
                {33000, [&] { key(vk::Escape); }},
                // The A key opens the dialog modally; what follows runs inside its loop.
                {33500, [&] { key(vk::A); }},
                {34000,
                 [&] {
                     if (!dialog.isVisible()) {
                         std::printf("the A key did not open the dialog\n");
                         ok = false;
                     }
                     dialog.PositionRadioButton(1)->click();
                 }},
                {34500,
                 [&] {
                     ok = Save(dialog, out + "/annotation-dialog.png") && ok;
                     dialog.OKButton()->click();
                 }},
                {35000,
                 [&] {
                     if (dialog.isVisible()) {
                         std::printf("the dialog is still open\n");
                         ok = false;
                     }
                     form.close(); // saves the state file
                     application.quit();
                 }},
            });
        program.Show();
        application.exec();
    }

    // Second run: the newest page comes back with its caption.
    {
        TickoraProgram program;
        shots::RunSteps(application, {{3500, [&] {
                                           ok = Save(program.Form(), out + "/restored-page.png") &&
                                                ok;
                                           program.Form().close();
                                           application.quit();
                                       }}});
        program.Show();
        application.exec();
    }
    return ok ? 0 : 1;
}
