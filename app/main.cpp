// Tickora: a timegrapher for mechanical watches. Its settings are made in the program; the
// command line only answers --help and --version, before any display is needed.
#include "app/Program.h"

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "Usage: tickora [--help | --version]\n"
    "A timegrapher: hold a microphone against a mechanical watch and Tickora finds every\n"
    "beat and reports the daily rate, the balance amplitude and the beat error.\n"
    "Everything else is set in the program: Tab opens the settings, Space starts a test,\n"
    "Esc stops it; the manual opens from Help in the settings.\n"
    "  --help      show this text\n"
    "  --version   show the version\n";

// A session that ends, a shutdown or Ctrl+C in a terminal asks the program to end by a
// signal. The handler only writes a byte; the event loop then closes the windows as the user
// would, so a running test is stopped and kept and the pages are saved.
int endPipe[2] = {-1, -1};

void AskToEnd(int /*signal*/) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(endPipe[1], &byte, 1);
}

void EndOnSignals(QApplication& application, tickora::TickoraProgram& program) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, endPipe) != 0) {
        return; // the default then: the signal ends the program at once
    }
    auto* notifier = new QSocketNotifier(endPipe[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [notifier, &program] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(endPipe[0], &byte, 1);
        notifier->setEnabled(false); // once is enough
        // Nobody may be at the screen: what the close has to say (a folder it cannot write,
        // say) goes to the standard error output rather than wait for an answer.
        program.Dialogs().SetUnattended(true);
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = &AskToEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

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
    EndOnSignals(application, program);
    program.Show();
    return application.exec();
}
