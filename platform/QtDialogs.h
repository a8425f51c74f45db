#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace platform {

// The dialog and shell services on Qt Widgets: message boxes, the save and print dialogs,
// the override cursor, a steady clock and the desktop's document opener. GUI thread only.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    // The window the dialogs are centred on and modal to.
    void SetParent(QWidget* parent) { parent_ = parent; }
    // Nobody is there to answer (the program ends on a signal): messages go to the standard
    // error output instead of a box, and a question is answered as Esc would answer it.
    void SetUnattended(bool unattended) { unattended_ = unattended; }

    MessageResult ShowMessage(const std::string& text, MessageIcon icon,
                              MessageButtons buttons) override;
    std::optional<std::string> AskSaveFileName(const std::string& title,
                                               const std::string& defaultExtension,
                                               const std::string& filter) override;
    // The printer starts in portrait orientation; the last printer chosen is offered again.
    std::unique_ptr<PrintJob> AskPrinter() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    std::uint64_t TickCount() override;
    bool OpenDocument(const std::string& path) override;
    // With the desktop's xdg-open where there is one: its failure (no program for the
    // document, exit status not 0 within kLateFailureWindow ms) runs failedLater.
    bool OpenDocumentWatched(const std::string& path, std::function<void()> failedLater) override;
    static constexpr int kLateFailureWindow = 20000;

private:
    QWidget* parent_;
    QString lastPrinter_;
    int waitDepth_ = 0;
    bool unattended_ = false;
};

// Places a dialog's frame centred on the frame of its parent's window; nothing without a
// parent. Called when the dialog is shown, so it follows the main window wherever it is.
void CentreOnOwner(QWidget& dialog);

// The file patterns of one save-dialog type, "PNG Image File (*.png)" or "JPEG Image file
// (*.jpg, *.jpeg)": those between the last parentheses, split at blanks, commas and
// semicolons.
QStringList FilterPatterns(const QString& filter);

} // namespace platform
