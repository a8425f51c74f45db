#pragma once

#include "platform/Dialogs.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

// A stand-in for the dialog service: records every message and document request and answers
// questions from a script (OK when the script is empty).
class RecordingDialogs : public platform::Dialogs {
public:
    struct Message {
        std::string text;
        platform::MessageIcon icon;
        platform::MessageButtons buttons;
    };

    std::vector<Message> messages;
    std::deque<platform::MessageResult> answers;
    std::vector<std::string> openedDocuments;
    std::function<bool(const std::string&)> openResult = [](const std::string&) { return true; };
    // Runs while a message is "shown", as the user would act in a modal box.
    std::function<void()> whileShowing;

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Message& message : messages)
            texts.push_back(message.text);
        return texts;
    }

    platform::MessageResult ShowMessage(const std::string& text, platform::MessageIcon icon,
                                        platform::MessageButtons buttons) override {
        messages.push_back({text, icon, buttons});
        if (whileShowing)
            whileShowing();
        if (answers.empty())
            return platform::MessageResult::Ok;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> AskSaveFileName(const std::string&, const std::string&,
                                               const std::string&) override {
        return std::nullopt;
    }
    std::unique_ptr<platform::PrintJob> AskPrinter() override { return nullptr; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    std::uint64_t TickCount() override { return 0; }
    bool OpenDocument(const std::string& path) override {
        openedDocuments.push_back(path);
        return openResult(path);
    }
};
