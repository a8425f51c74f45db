#include "platform/testing/FakeDialogs.h"
#include "platform/FileNames.h"
#include "platform/testing/TestApplication.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;
using platform::PageOrientation;
using platform::testing::FakeDialogs;

TEST(FileNames, DefaultExtensionOnlyForNamesWithout) {
    using platform::AppendDefaultExtension;
    EXPECT_EQ(AppendDefaultExtension("/home/w/trace", "png"), "/home/w/trace.png");
    EXPECT_EQ(AppendDefaultExtension("/home/w/trace", ".png"), "/home/w/trace.png");
    EXPECT_EQ(AppendDefaultExtension("/home/w/trace.jpg", "png"), "/home/w/trace.jpg");
    EXPECT_EQ(AppendDefaultExtension("/home/w/trace.bmp", "png"), "/home/w/trace.bmp");
    EXPECT_EQ(AppendDefaultExtension("/home/w.jpg/trace", "png"), "/home/w.jpg/trace.png");
    EXPECT_EQ(AppendDefaultExtension("/home/w/.trace", "png"), "/home/w/.trace.png");
    EXPECT_EQ(AppendDefaultExtension("trace", ""), "trace");
    EXPECT_EQ(AppendDefaultExtension("/home/w/", "png"), "/home/w/");
}

TEST(FakeDialogs, MessagesAreRecordedAndAnsweredFromTheScript) {
    FakeDialogs dialogs;
    // Unscripted: what Escape would give.
    EXPECT_EQ(dialogs.ShowMessage("Audio data overrun.", MessageIcon::Error, MessageButtons::Ok),
              MessageResult::Ok);
    EXPECT_EQ(dialogs.ShowMessage("Clear?", MessageIcon::Question, MessageButtons::OkCancel),
              MessageResult::Cancel);
    EXPECT_EQ(dialogs.ShowMessage("Portrait?", MessageIcon::Error, MessageButtons::YesCancel),
              MessageResult::Cancel);

    dialogs.QueueMessageAnswer(MessageResult::Ok);
    dialogs.QueueMessageAnswer(MessageResult::Yes);
    EXPECT_EQ(dialogs.PendingAnswers(), 2u);
    EXPECT_EQ(dialogs.ShowMessage("Clear?", MessageIcon::Question, MessageButtons::OkCancel),
              MessageResult::Ok);
    EXPECT_EQ(dialogs.ShowMessage("Portrait?", MessageIcon::Error, MessageButtons::YesCancel),
              MessageResult::Yes);
    EXPECT_EQ(dialogs.PendingAnswers(), 0u);
    EXPECT_TRUE(dialogs.ScriptErrors().empty());

    ASSERT_EQ(dialogs.Messages().size(), 5u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Audio data overrun.");
    EXPECT_EQ(dialogs.Messages()[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs.Messages()[1].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(dialogs.Messages()[4].answer, MessageResult::Yes);

    // An answer that is no button of the box is a fault of the test script.
    dialogs.QueueMessageAnswer(MessageResult::Yes);
    EXPECT_EQ(dialogs.ShowMessage("Oops", MessageIcon::Error, MessageButtons::Ok),
              MessageResult::Ok);
    EXPECT_EQ(dialogs.ScriptErrors().size(), 1u);
}

TEST(FakeDialogs, SaveDialogAddsTheDefaultExtensionAndRecordsTheRequest) {
    FakeDialogs dialogs;
    EXPECT_FALSE(dialogs.AskSaveFileName("Save Image", "png", "PNG image (*.png)").has_value());
    dialogs.QueueSaveAnswer("/tmp/trace");
    dialogs.QueueSaveAnswer("/tmp/TRACE.JPG");
    dialogs.QueueSaveAnswer(std::nullopt);
    EXPECT_EQ(dialogs.AskSaveFileName("Save Image", "png", "PNG (*.png)"), "/tmp/trace.png");
    EXPECT_EQ(dialogs.AskSaveFileName("Save Image", "png", "PNG (*.png)"), "/tmp/TRACE.JPG");
    EXPECT_FALSE(dialogs.AskSaveFileName("Save Image", "png", "PNG (*.png)").has_value());
    ASSERT_EQ(dialogs.SaveRequests().size(), 4u);
    EXPECT_EQ(dialogs.SaveRequests()[1].title, "Save Image");
    EXPECT_EQ(dialogs.SaveRequests()[1].defaultExtension, "png");
    EXPECT_EQ(dialogs.SaveRequests()[1].filter, "PNG (*.png)");
    EXPECT_EQ(dialogs.SaveRequests()[1].answer, "/tmp/trace.png");
}

TEST(FakeDialogs, ImagePrinterKeepsThePrintedPage) {
    FakeDialogs dialogs;
    EXPECT_EQ(dialogs.AskPrinter(), nullptr); // unscripted: cancelled
    dialogs.QueuePrinterCancel();
    dialogs.QueueImagePrinter(PageOrientation::Landscape, 100, 140, 30);
    EXPECT_EQ(dialogs.AskPrinter(), nullptr);
    auto job = dialogs.AskPrinter();
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(dialogs.PrinterRequests(), 3);
    EXPECT_EQ(job->Orientation(), PageOrientation::Landscape);
    EXPECT_EQ(job->PageWidth(), 140);
    job->SetOrientation(PageOrientation::Portrait);
    ASSERT_TRUE(job->BeginJob("Tickora"));
    EXPECT_EQ(job->PageCanvas().PixelsPerInch(), 30);
    job->PageCanvas().FillRect(0, 0, 10, 10, platform::kBlack);
    ASSERT_TRUE(job->EndJob());
    job.reset();
    ASSERT_EQ(dialogs.PrintedPages().size(), 1u);
    const auto& printed = dialogs.PrintedPages()[0];
    EXPECT_EQ(printed.title, "Tickora");
    EXPECT_EQ(printed.orientation, PageOrientation::Portrait);
    EXPECT_EQ(printed.page.Width(), 100);
    EXPECT_EQ(printed.page.Height(), 140);
    EXPECT_EQ(printed.page.Pixel(9, 9), platform::kBlack);
    EXPECT_EQ(printed.page.Pixel(10, 10), platform::kWhite);
}

TEST(FakeDialogs, PdfPrinterWritesTheFile) {
    platform::testing::EnsureTestApplication();
    const auto path = std::filesystem::temp_directory_path() /
                      ("tickora_fake_pdf_" + std::to_string(::getpid()) + ".pdf");
    FakeDialogs dialogs;
    dialogs.QueuePdfPrinter(path.string(), PageOrientation::Landscape, 72);
    auto job = dialogs.AskPrinter();
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->Orientation(), PageOrientation::Landscape);
    EXPECT_NEAR(job->PageWidth(), 842, 1);
    ASSERT_TRUE(job->BeginJob("Report"));
    ASSERT_TRUE(job->EndJob());
    EXPECT_TRUE(std::filesystem::exists(path));
    std::filesystem::remove(path);
}

TEST(FakeDialogs, WaitCursorBalanceClockAndDocuments) {
    FakeDialogs dialogs;
    {
        platform::WaitCursor outer(dialogs);
        try {
            platform::WaitCursor inner(dialogs);
            EXPECT_EQ(dialogs.WaitCursorDepth(), 2);
            throw std::runtime_error("leaving early");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(dialogs.WaitCursorDepth(), 1);
    }
    EXPECT_EQ(dialogs.WaitCursorDepth(), 0);
    EXPECT_EQ(dialogs.WaitCursorBegins(), 2);
    EXPECT_EQ(dialogs.MaxWaitCursorDepth(), 2);
    EXPECT_TRUE(dialogs.ScriptErrors().empty());
    dialogs.EndWaitCursor();
    EXPECT_EQ(dialogs.WaitCursorDepth(), 0);
    EXPECT_EQ(dialogs.ScriptErrors().size(), 1u);

    EXPECT_EQ(dialogs.TickCount(), 0u);
    dialogs.SetTickCount(1000);
    dialogs.AdvanceTicks(2000);
    EXPECT_EQ(dialogs.TickCount(), 3000u);

    dialogs.QueueOpenDocumentResult(false);
    EXPECT_FALSE(dialogs.OpenDocument("Manual/index.html"));
    EXPECT_TRUE(dialogs.OpenDocument("../Doc/index.html"));
    ASSERT_EQ(dialogs.OpenedDocuments().size(), 2u);
    EXPECT_EQ(dialogs.OpenedDocuments()[1], "../Doc/index.html");
}
