// Tickora: a timegrapher for mechanical watches. Its settings are made in the program; the
// command line only answers --help and --version, before any display is needed.
#include "app/Program.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: tickora [--help | --version]\n"
    "A timegrapher: hold a microphone against a mechanical watch and Tickora finds every\n"
    "beat and reports the daily rate, the balance amplitude and the beat error.\n"
    "Everything else is set in the program: Tab opens the settings, Space starts a test,\n"
    "Esc stops it; the manual opens from Help in the settings.\n"
    "  --help      show this text\n"
    "  --version   show the version\n";

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tickora %s\n", TICKORA_VERSION);
            return 0;
        }
    }
    QApplication application(argc, argv);
    // The desktop matches the window to the installed menu entry "tickora.desktop" by this
    // name; the icon comes from the icon theme, else from the program's own install prefix.
    QGuiApplication::setDesktopFileName(QStringLiteral("tickora"));
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("tickora"),
        QIcon(QCoreApplication::applicationDirPath() +
              QStringLiteral("/../share/icons/hicolor/256x256/apps/tickora.png"))));
    tickora::TickoraProgram program;
    program.Show();
    return application.exec();
}
