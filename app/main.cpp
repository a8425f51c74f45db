// Tickora: a timegrapher for mechanical watches. Reads no command line.
#include "app/Program.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
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
