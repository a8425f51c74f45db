#pragma once

// What the tools that take the manual's pictures share: timed steps on the event loop, a
// widget saved as a picture, and a scratch data folder with the settings they start from.
#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace shots {

struct Step {
    int atMs; // after the start of the run
    std::function<void()> action;
};

// Precise timers: coarse ones (Qt's choice beyond two seconds) may fire steps half a second
// apart together, so a step could run inside the dialog that the step before opened.
inline void RunSteps(QApplication& application, const std::vector<Step>& steps) {
    for (const Step& step : steps)
        QTimer::singleShot(step.atMs, Qt::PreciseTimer, &application, step.action);
}

inline bool Save(QWidget& widget, const QString& path) {
    const bool saved = widget.grab().save(path);
    std::printf("%s %s (%dx%d)\n", saved ? "saved" : "could not save", qPrintable(path),
                widget.width(), widget.height());
    std::fflush(stdout);
    return saved;
}

// Points XDG_DATA_HOME at the scratch folder and writes the settings there: the beat rate
// line as given, then the simulated 28800 bph watch with the program's other defaults.
inline void PrepareDataFolder(const QTemporaryDir& data, const char* rateLine) {
    setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
    const std::string folder = data.path().toStdString() + "/Tickora";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Settings.ini", std::ios::binary)
        << rateLine << "\r\n52\r\n20\r\n10\r\n0\r\n1\r\nFALSE\r\n5\r\nFALSE\r\nFALSE\r\nNone\r\n"
        << "Simulated watch 28800 bph\r\n 1.00000000000000E+0000\r\n";
}

} // namespace shots
