#include "platform/testing/TestApplication.h"

#include <QApplication>

namespace platform::testing {

void EnsureTestApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    static int argc = 1;
    static char name[] = "tickora-test";
    static char* argv[] = {name, nullptr};
    // Deliberately never destroyed: Qt objects of the tests may outlive any scope here.
    new QApplication(argc, argv);
}

} // namespace platform::testing
