// Shows the settings dialog offscreen and saves what it looks like as a PNG, for looking at
// the layout: settings_form_shot [out.png] [plotraw]

#include "platform/testing/FakeDialogs.h"
#include "settings/SettingsForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPixmap>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::testing::FakeDialogs dialogs;
    tickora::SettingsFormHost host;
    host.pageCount = [] { return 3; };
    host.listInputDevices = [] {
        return std::vector<std::string>{"Microsoft Sound Mapper - Input",
                                        "USB Audio Device: Microphone (hw:1,0)", "Line In"};
    };
    tickora::TSettingsForm form(dialogs, host);
    form.SetFilePath("/nonexistent-folder/Settings.ini");
    form.FilteringComboBox()->setCurrentIndex(1);
    if (argc > 2 && std::strcmp(argv[2], "plotraw") == 0)
        form.PlotRawCheckBox()->setChecked(true);
    form.show();
    app.processEvents();
    const char* path = argc > 1 ? argv[1] : "settings-form.png";
    if (!form.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    std::printf("%s: %dx%d\n", path, form.width(), form.height());
    return 0;
}
