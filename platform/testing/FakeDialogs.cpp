#include "platform/testing/FakeDialogs.h"

#include "platform/FileNames.h"
#include "platform/PdfPrintJob.h"
#include "platform/testing/ImagePrintJob.h"

#include <algorithm>

namespace platform::testing {

namespace {

bool Fits(MessageResult answer, MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return answer == MessageResult::Ok;
    case MessageButtons::OkCancel:
        return answer == MessageResult::Ok || answer == MessageResult::Cancel;
    case MessageButtons::YesCancel:
        return answer == MessageResult::Yes || answer == MessageResult::Cancel;
    }
    return false;
}

MessageResult EscapeAnswer(MessageButtons buttons) {
    return buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::Cancel;
}

} // namespace

FakeDialogs::FakeDialogs() : printed_(std::make_shared<std::vector<PrintedPage>>()) {}

void FakeDialogs::QueueMessageAnswer(MessageResult answer) {
    messageAnswers_.push_back(answer);
}

void FakeDialogs::QueueSaveAnswer(std::optional<std::string> fileName) {
    saveAnswers_.push_back(std::move(fileName));
}

void FakeDialogs::QueuePrinterCancel() {
    printerAnswers_.push_back(
        {PrinterAnswer::Kind::Cancel, {}, PageOrientation::Portrait, 0, 0, 0});
}

void FakeDialogs::QueuePdfPrinter(const std::string& path, PageOrientation chosen,
                                  int pixelsPerInch) {
    printerAnswers_.push_back({PrinterAnswer::Kind::Pdf, path, chosen, 0, 0, pixelsPerInch});
}

void FakeDialogs::QueueImagePrinter(PageOrientation chosen, int portraitWidth, int portraitHeight,
                                    int pixelsPerInch) {
    printerAnswers_.push_back(
        {PrinterAnswer::Kind::Image, {}, chosen, portraitWidth, portraitHeight, pixelsPerInch});
}

void FakeDialogs::QueueOpenDocumentResult(bool opened) {
    openAnswers_.push_back(opened);
}

std::size_t FakeDialogs::PendingAnswers() const {
    return messageAnswers_.size() + saveAnswers_.size() + printerAnswers_.size() +
           openAnswers_.size();
}

MessageResult FakeDialogs::ShowMessage(const std::string& text, MessageIcon icon,
                                       MessageButtons buttons) {
    MessageResult answer = EscapeAnswer(buttons);
    if (!messageAnswers_.empty()) {
        const MessageResult queued = messageAnswers_.front();
        messageAnswers_.pop_front();
        if (Fits(queued, buttons)) {
            answer = queued;
        } else {
            scriptErrors_.push_back("answer is no button of the message \"" + text + "\"");
        }
    }
    messages_.push_back({text, icon, buttons, answer});
    return answer;
}

std::optional<std::string> FakeDialogs::AskSaveFileName(const std::string& title,
                                                        const std::string& defaultExtension,
                                                        const std::string& filter) {
    std::optional<std::string> answer;
    if (!saveAnswers_.empty()) {
        answer = saveAnswers_.front();
        saveAnswers_.pop_front();
    }
    if (answer) {
        answer = AppendDefaultExtension(*answer, defaultExtension);
    }
    saveRequests_.push_back({title, defaultExtension, filter, answer});
    return answer;
}

std::unique_ptr<PrintJob> FakeDialogs::AskPrinter() {
    ++printerRequests_;
    if (printerAnswers_.empty()) {
        return nullptr;
    }
    const PrinterAnswer answer = printerAnswers_.front();
    printerAnswers_.pop_front();
    switch (answer.kind) {
    case PrinterAnswer::Kind::Cancel:
        return nullptr;
    case PrinterAnswer::Kind::Pdf:
        return std::make_unique<PdfPrintJob>(answer.path, answer.orientation, answer.pixelsPerInch);
    case PrinterAnswer::Kind::Image: {
        // The job may outlive this fake's answers but shares the list of printed pages.
        std::shared_ptr<std::vector<PrintedPage>> printed = printed_;
        return std::make_unique<ImagePrintJob>(
            answer.width, answer.height, answer.pixelsPerInch, answer.orientation,
            [printed](const Image& page, const std::string& title, PageOrientation orientation,
                      int pixelsPerInch) {
                printed->push_back({page, title, orientation, pixelsPerInch});
            });
    }
    }
    return nullptr;
}

void FakeDialogs::BeginWaitCursor() {
    ++waitDepth_;
    ++waitBegins_;
    maxWaitDepth_ = std::max(maxWaitDepth_, waitDepth_);
}

void FakeDialogs::EndWaitCursor() {
    if (waitDepth_ == 0) {
        scriptErrors_.push_back("EndWaitCursor without BeginWaitCursor");
        return;
    }
    --waitDepth_;
}

bool FakeDialogs::OpenDocument(const std::string& path) {
    openedDocuments_.push_back(path);
    if (openAnswers_.empty()) {
        return true;
    }
    const bool opened = openAnswers_.front();
    openAnswers_.pop_front();
    return opened;
}

} // namespace platform::testing
