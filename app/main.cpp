// Tickora: a timegrapher for mechanical watches. Reads no command line.
#include "app/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    tickora::TickoraProgram program;
    program.Show();
    return application.exec();
}
