// The report opened from the main window: its pages, its plot for the traces, and the page
// the window showed before the report, shown again afterwards.
#include "app/MainForm.h"
#include "audio/testing/ScriptedInputs.h"
#include "pages/Annotate.h"
#include "platform/testing/FakeDialogs.h"
#include "platform/testing/TestApplication.h"
#include "report/ui/ReportForm.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <memory>

namespace tickora {
namespace {

using platform::Rgb;
using platform::RgbOf;

const Rgb kColours[] = {RgbOf(200, 40, 40), RgbOf(40, 160, 40), RgbOf(40, 40, 200),
                        RgbOf(200, 140, 0)};

int Count(const platform::Image& image, Rgb colour) {
    int count = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            count += image.Pixel(x, y) == colour;
    return count;
}

class ReportMainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::EnsureTestApplication();
        dataDir_ = std::make_unique<QTemporaryDir>();
        setenv("XDG_DATA_HOME", dataDir_->path().toLocal8Bit().constData(), 1);
        analysis_ = std::make_unique<dsp::SignalAnalysis>();
        form_ = std::make_unique<TMainForm>(
            TMainFormServices{dialogs_, *analysis_, pages_, longTerm_, inputs_});

        TReportFormHost host;
        host.pageCount = [this] { return pages_.PageCount(); };
        host.getPage = [this](std::int32_t index) { return pages_.GetPage(index); };
        host.fillRecord = [this](TSettingsRecord& record) { record = settings_; };
        host.storeBack = [this](TSettingsRecord& record) {
            if (record.Changed)
                settings_.Weights = record.Weights;
        };
        host.showPage = [this](std::int32_t index) { form_->ShowPage(index); };
        host.plotArea = [this] { return &form_->Plot(); };
        host.applicationTitle = [this] { return form_->ApplicationTitle(); };
        report_ = std::make_unique<TReportForm>(dialogs_, host, form_.get());
        form_->SetReportViewer([this] { report_->ShowReport(); });
    }
    void TearDown() override {
        report_.reset();
        form_.reset();
        unsetenv("XDG_DATA_HOME");
    }

    // A page whose plot is a block of the colour at the top left, annotated with a position.
    void CommitPage(Rgb colour, const std::string& position) {
        form_->Trace().ClearPlot();
        form_->Trace().PlotCanvas().FillRect(0, 0, 300, 200, colour);
        pages_.RecordResult(true, 2.0, 280.0, 0.3);
        pages_.CommitPage(52, 20, 8.0);
        pages_.SetPageAnnotation(pages_.PageCount(), position);
    }

    std::unique_ptr<QTemporaryDir> dataDir_;
    platform::testing::FakeDialogs dialogs_;
    std::unique_ptr<dsp::SignalAnalysis> analysis_;
    pages::PageHistory pages_{[] { return 45366.5; }};
    longterm::LongTermAccumulation longTerm_;
    testing::ScriptedInputs inputs_{{"Scripted watch"}, 1};
    TSettingsRecord settings_;
    std::unique_ptr<TMainForm> form_;
    std::unique_ptr<TReportForm> report_;
};

TEST_F(ReportMainFormTest, PrintingShowsEachPageAndTheWindowReturnsToItsPage) {
    for (int i = 0; i < 3; ++i)
        CommitPage(kColours[i], pages::PositionName(i + 1));
    // A page loaded from an older state file: a picture smaller than the plot.
    CommitPage(kColours[3], "Crown Right");
    pages_.PageSlot(4).Image = std::make_shared<platform::Image>(200, 100, kColours[3]);
    form_->show();
    form_->ShowPage(2);
    const platform::Image before = form_->Plot();

    dialogs_.QueueImagePrinter();
    QTimer::singleShot(0, report_.get(), [this] { report_->PrintButton()->click(); });
    form_->ReportButtonClick();

    ASSERT_EQ(dialogs_.PrintedPages().size(), 1u);
    EXPECT_FALSE(report_->isVisible());
    EXPECT_EQ(form_->PageIndex(), 2);
    EXPECT_TRUE(form_->Plot() == before);

    // Every page's trace is on the paper, each in its own cell: the small picture keeps its
    // proportion to the others (200 x 100 of the plot against 300 x 200).
    const platform::Image& page = dialogs_.PrintedPages()[0].page;
    const int full = Count(page, kColours[0]);
    EXPECT_GT(full, 10000);
    for (int i = 1; i < 3; ++i)
        EXPECT_NEAR(Count(page, kColours[i]), full, full / 50) << i;
    EXPECT_NEAR(Count(page, kColours[3]), full / 3, full / 30);
}

TEST_F(ReportMainFormTest, ClosingWithoutPrintingLeavesTheWindowAsItWas) {
    CommitPage(kColours[0], "Dial Up");
    CommitPage(kColours[1], "Dial Down");
    form_->show();
    form_->ShowPage(1);
    QTimer::singleShot(0, report_.get(), [this] {
        EXPECT_EQ(report_->Rows().size(), 2u);
        report_->CloseButton()->click();
    });
    form_->ReportButtonClick();
    EXPECT_EQ(form_->PageIndex(), 1);
    EXPECT_TRUE(dialogs_.PrintedPages().empty());
}

} // namespace
} // namespace tickora
