// Not a test: runs the program on the simulated 28800 bph watch, in real time, and saves
// the pictures of the position sequence and the sound card clock assistant for the manual:
//   sequence-dialog.png   the sequence dialog as it comes;
//   sequence-prompt.png   the main window after Dial Up, prompting for Dial Down;
//   card-clock.png        the assistant after a minute against the computer's clock.
//     sequence_shots OUTPUT_FOLDER
// It uses a scratch data folder of its own (XDG_DATA_HOME) and needs a display or
// QT_QPA_PLATFORM=offscreen. About a minute and a half.
#include "app/KeyCodes.h"
#include "app/Program.h"
#include "app/clock/CardClockForm.h"
#include "tests/app/ShotTools.h"

#include <QApplication>
#include <QPushButton>
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
    shots::PrepareDataFolder(data, "AUTO");
    QApplication application(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
    bool ok = true;
    TickoraProgram program;
    TMainForm& form = program.Form();
    TSequenceForm& sequence = program.SequenceForm();
    TSettingsForm& settings = program.SettingsForm();
    auto key = [&form](std::uint16_t code) { form.FormKeyDown(code, false); };
    auto modal = [] { return QApplication::activeModalWidget(); };
    shots::RunSteps(application,
                    {
                        // Q opens the dialog modally; what follows runs inside its loop.
                        {3000, [&] { key(vk::Q); }},
                        {3500,
                         [&] {
                             ok = sequence.isVisible() &&
                                  Save(sequence, out + "/sequence-dialog.png") && ok;
                             sequence.OKButton()->click();
                         }},
                        {4000, [&] { key(vk::Space); }},
                        // Dial Up: 5 s of calibration and 20 s of averaging.
                        {33000,
                         [&] {
                             ok = form.Sequence().Position() == 2 &&
                                  Save(form, out + "/sequence-prompt.png") && ok;
                             key(vk::Escape);
                         }},
                        // The settings, and in them the assistant: both modal, one in the other.
                        {33500, [&] { form.SettingsButtonClick(); }},
                        {34000, [&] { settings.MeasureButton()->click(); }},
                        {34500,
                         [&] {
                             if (auto* assistant = dynamic_cast<TCardClockForm*>(modal()))
                                 assistant->StartButton()->click();
                             else
                                 ok = false;
                         }},
                        {95000,
                         [&] {
                             if (auto* assistant = dynamic_cast<TCardClockForm*>(modal())) {
                                 ok = Save(*assistant, out + "/card-clock.png") && ok;
                                 assistant->CancelButton()->click();
                             } else {
                                 ok = false;
                             }
                         }},
                        {95500,
                         [&] {
                             settings.CancelButtonClick();
                             form.close();
                             application.quit();
                         }},
                    });
    program.Show();
    application.exec();
    if (!ok)
        std::printf("a step did not go as planned\n");
    return ok ? 0 : 1;
}
