#pragma once

#include "platform/Dialogs.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::testing {

// Dialogs for tests: records every request and answers from a script. Without a queued
// answer a message box gives what Escape gives (OK for an OK box, else Cancel), the save
// dialog and the print dialog are cancelled and documents open.
class FakeDialogs : public Dialogs {
public:
    struct Message {
        std::string text;
        MessageIcon icon;
        MessageButtons buttons;
        MessageResult answer;
    };
    struct SaveRequest {
        std::string title;
        std::string defaultExtension;
        std::string filter;
        std::optional<std::string> answer;
    };
    // A page printed on an image printer (QueueImagePrinter).
    struct PrintedPage {
        Image page;
        std::string title;
        PageOrientation orientation;
        int pixelsPerInch;
    };

    FakeDialogs();

    // The script.
    void QueueMessageAnswer(MessageResult answer);
    // A file name as typed: the default extension is added as the real dialog adds it.
    // std::nullopt cancels.
    void QueueSaveAnswer(std::optional<std::string> fileName);
    void QueuePrinterCancel();
    // The user picks a printer and leaves it in the given orientation.
    void QueuePdfPrinter(const std::string& path,
                         PageOrientation chosen = PageOrientation::Portrait,
                         int pixelsPerInch = 300);
    // An A4 page at 150 pixels per inch unless given otherwise (sizes in portrait).
    void QueueImagePrinter(PageOrientation chosen = PageOrientation::Portrait,
                           int portraitWidth = 1240, int portraitHeight = 1754,
                           int pixelsPerInch = 150);
    void QueueOpenDocumentResult(bool opened);
    void SetTickCount(std::uint64_t milliseconds) { ticks_ = milliseconds; }
    void AdvanceTicks(std::uint64_t milliseconds) { ticks_ += milliseconds; }

    // What was asked.
    const std::vector<Message>& Messages() const { return messages_; }
    const std::vector<SaveRequest>& SaveRequests() const { return saveRequests_; }
    int PrinterRequests() const { return printerRequests_; }
    const std::vector<PrintedPage>& PrintedPages() const { return *printed_; }
    const std::vector<std::string>& OpenedDocuments() const { return openedDocuments_; }
    int WaitCursorDepth() const { return waitDepth_; }
    int WaitCursorBegins() const { return waitBegins_; }
    int MaxWaitCursorDepth() const { return maxWaitDepth_; }
    // Misuse found on the way: an EndWaitCursor without BeginWaitCursor, a queued answer
    // that is no button of the box. Empty when all went as scripted.
    const std::vector<std::string>& ScriptErrors() const { return scriptErrors_; }
    // Queued answers nobody asked for yet.
    std::size_t PendingAnswers() const;

    MessageResult ShowMessage(const std::string& text, MessageIcon icon,
                              MessageButtons buttons) override;
    std::optional<std::string> AskSaveFileName(const std::string& title,
                                               const std::string& defaultExtension,
                                               const std::string& filter) override;
    std::unique_ptr<PrintJob> AskPrinter() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    std::uint64_t TickCount() override { return ticks_; }
    bool OpenDocument(const std::string& path) override;

private:
    struct PrinterAnswer {
        enum class Kind { Cancel, Pdf, Image } kind;
        std::string path;
        PageOrientation orientation;
        int width;
        int height;
        int pixelsPerInch;
    };

    std::deque<MessageResult> messageAnswers_;
    std::deque<std::optional<std::string>> saveAnswers_;
    std::deque<PrinterAnswer> printerAnswers_;
    std::deque<bool> openAnswers_;
    std::vector<Message> messages_;
    std::vector<SaveRequest> saveRequests_;
    int printerRequests_ = 0;
    std::shared_ptr<std::vector<PrintedPage>> printed_;
    std::vector<std::string> openedDocuments_;
    int waitDepth_ = 0;
    int waitBegins_ = 0;
    int maxWaitDepth_ = 0;
    std::uint64_t ticks_ = 0;
    std::vector<std::string> scriptErrors_;
};

} // namespace platform::testing
