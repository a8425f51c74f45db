#pragma once

namespace platform::testing {

// Makes sure a QApplication exists (text, fonts, printers and widgets need one). GUI tests
// call it before they draw text or build windows; it is created once and lives for the
// whole test program, as the program's own would.
void EnsureTestApplication();

} // namespace platform::testing
