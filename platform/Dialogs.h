#pragma once

#include "platform/Canvas.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class MessageIcon { Error, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesCancel };
enum class MessageResult { Ok, Cancel, Yes };

enum class PageOrientation { Portrait, Landscape };

// A print job: the page's canvas at the printer's own pixels per inch. EndJob sends the page.
class PrintJob {
public:
    virtual ~PrintJob() = default;
    virtual PageOrientation Orientation() const = 0;
    virtual void SetOrientation(PageOrientation orientation) = 0;
    virtual int PageWidth() const = 0;  // printer pixels
    virtual int PageHeight() const = 0; // printer pixels
    virtual bool BeginJob(const std::string& title) = 0;
    virtual Canvas& PageCanvas() = 0; // valid between BeginJob and EndJob
    virtual bool EndJob() = 0;
};

// The dialog and shell services the windows use. The program passes the Qt implementation
// (QtDialogs); tests pass a fake that records each request and answers from a script.
// Every call runs on the GUI thread.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal message box; the result is the button pressed (Escape or closing gives Cancel,
    // or Ok for a box with only OK).
    virtual MessageResult ShowMessage(const std::string& text, MessageIcon icon,
                                      MessageButtons buttons) = 0;

    // Save dialog. filter is a Qt-style list ("PNG image (*.png);;JPEG image (*.jpg *.jpeg)").
    // The default extension is appended to a name typed without one; an existing file asks
    // before it is overwritten. No value on cancel.
    virtual std::optional<std::string> AskSaveFileName(const std::string& title,
                                                       const std::string& defaultExtension,
                                                       const std::string& filter) = 0;

    // Print dialog: the user picks a printer (or a PDF file); no job on cancel. The dialog
    // opens in portrait orientation; the job's Orientation() is what the user left set.
    virtual std::unique_ptr<PrintJob> AskPrinter() = 0;

    // The hourglass cursor while a long operation runs; calls nest.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // Milliseconds of a steady clock.
    virtual std::uint64_t TickCount() = 0;

    // Opens a document with the desktop's default application; false when that failed.
    virtual bool OpenDocument(const std::string& path) = 0;
    // The same, for an opener that can fail after it started (a desktop opener that finds no
    // program for the document): failedLater then runs on the GUI thread. By default only the
    // failures OpenDocument sees at once are reported.
    virtual bool OpenDocumentWatched(const std::string& path, std::function<void()> failedLater) {
        (void)failedLater;
        return OpenDocument(path);
    }
};

// Restores the cursor however the scope is left.
class WaitCursor {
public:
    explicit WaitCursor(Dialogs& dialogs) : dialogs_(dialogs) { dialogs_.BeginWaitCursor(); }
    ~WaitCursor() { dialogs_.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Dialogs& dialogs_;
};

} // namespace platform
