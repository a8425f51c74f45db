// The exported pictures: the framed scope view, or the result strip above the page.
#include "MainFormFixture.h"

#include <QImageReader>

namespace tickora::testing {

namespace {
using S = MeasurementState;
}

TEST_F(MainFormTest, ExportOfATestPageHoldsStripAndPagePicture) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(4);
    // A clean watch, its period (2 s) full: the verdict first, then its figures.
    EXPECT_EQ(LabelText(Form().Layout().SignalLabel).substr(0, 5), "good\n");
    Key(vk::Escape);
    const std::string file = dataDir_->path().toStdString() + "/trace.png";
    dialogs_.QueueSaveAnswer(file);
    Key(vk::F);
    ASSERT_EQ(dialogs_.SaveRequests().size(), 1u);
    EXPECT_EQ(dialogs_.SaveRequests()[0].defaultExtension, "png");

    platform::Image saved;
    ASSERT_TRUE(saved.LoadPng(file));
    EXPECT_EQ(saved.Width(), 962);
    EXPECT_GT(saved.Height(), 511 + 55 + 6);
    const auto page = pages_->GetPage(Form().PageIndex());
    ASSERT_TRUE(page.Image);
    // The page's picture lies below the strip, inside the one-pixel frame.
    for (int y = 0; y < 511; y += 7)
        for (int x = 0; x < 960; x += 5)
            ASSERT_EQ(saved.Pixel(x + 1, y + 56), page.Image->Pixel(x, y)) << x << "," << y;
    EXPECT_EQ(saved.Pixel(0, 0), platform::kBlack);
    // The strip carries the result texts: red, green or black glyphs above the picture.
    int inked = 0;
    for (int y = 1; y < 55; ++y)
        for (int x = 1; x < 961; ++x)
            inked += saved.Pixel(x, y) != platform::kWhite;
    EXPECT_GT(inked, 300);
    // The signal verdict of the test, between the beat error and the parameters.
    int verdict = 0;
    for (int y = 23; y < 55; ++y)
        for (int x = 503; x < 609; ++x)
            verdict += saved.Pixel(x, y) != platform::kWhite;
    EXPECT_GT(verdict, 40);
}

// A test stopped during calibration makes no page: the window shows the cleared plot, and
// the picture must too, not the newest page's trace with a "Page 1/1" caption.
TEST_F(MainFormTest, ExportAfterAStopInCalibrationShowsTheBlankScreen) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(4);
    Key(vk::Escape);
    ASSERT_EQ(pages_->PageCount(), 1);
    Key(vk::Space);
    FeedWatch();
    ASSERT_EQ(State(), S::Calibrating);
    Key(vk::Escape);
    EXPECT_EQ(pages_->PageCount(), 1);
    EXPECT_EQ(Form().PageIndex(), 2); // the live screen, no page
    EXPECT_FALSE(Form().Toolbar().Enabled(ToolbarButton::Annotate));
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Previous));
    EXPECT_EQ(PlotPixels(platform::kBlack), 0);

    platform::Image bitmap;
    Form().RenderExportImage(bitmap);
    const int top = Form().Layout().TopPanel->height() + 1;
    const platform::Image& plot = Form().Plot();
    for (int y = 0; y < plot.Height(); y += 3)
        for (int x = 0; x < plot.Width(); x += 3)
            ASSERT_EQ(bitmap.Pixel(x + 1, y + top), plot.Pixel(x, y)) << x << "," << y;
    // Beneath the picture only the title at the left: no page caption at the right.
    for (int y = top + plot.Height(); y < bitmap.Height() - 1; ++y)
        for (int x = bitmap.Width() / 2; x < bitmap.Width() - 1; ++x)
            ASSERT_EQ(bitmap.Pixel(x, y), platform::kWhite) << x << "," << y;

    // Back on the page, the picture is the page's again, with its caption.
    Key(vk::Left);
    EXPECT_EQ(Form().PageIndex(), 1);
    Form().RenderExportImage(bitmap);
    int caption = 0;
    for (int y = top + plot.Height(); y < bitmap.Height() - 1; ++y)
        for (int x = bitmap.Width() / 2; x < bitmap.Width() - 1; ++x)
            caption += bitmap.Pixel(x, y) != platform::kWhite;
    EXPECT_GT(caption, 50);
}

TEST_F(MainFormTest, ExportAfterScopeIsTheFramedPlotAsJpeg) {
    Open();
    Key(vk::S);
    FeedWatchFor(1);
    Key(vk::Escape);
    ASSERT_TRUE(Form().ScopeShownLast());
    const std::string file = dataDir_->path().toStdString() + "/scope.JPG";
    dialogs_.QueueSaveAnswer(file);
    Key(vk::F);

    QImageReader reader(QString::fromStdString(file));
    EXPECT_EQ(reader.format().toLower(), "jpeg");
    const QSize size = reader.size();
    EXPECT_EQ(size.width(), 962);
    EXPECT_GT(size.height(), 511 + 6);
    EXPECT_LT(size.height(), 511 + 55); // no result strip

    platform::Image bitmap;
    Form().RenderExportImage(bitmap);
    EXPECT_EQ(bitmap.Pixel(300, 200), Form().Plot().Pixel(299, 199));
}

TEST_F(MainFormTest, CancelledExportWritesNothing) {
    Open();
    Key(vk::F);
    EXPECT_EQ(dialogs_.SaveRequests().size(), 1u);
    EXPECT_EQ(Messages(), 0);
}

TEST_F(MainFormTest, ExportToAnUnwritablePlaceSaysSo) {
    Open();
    dialogs_.QueueSaveAnswer(dataDir_->path().toStdString() + "/missing/folder/x.png");
    Key(vk::F);
    ASSERT_EQ(Messages(), 1);
    EXPECT_NE(LastMessage().find("x.png"), std::string::npos);
}

} // namespace tickora::testing
