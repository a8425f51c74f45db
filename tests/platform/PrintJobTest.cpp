#include "platform/PdfPrintJob.h"
#include "platform/testing/ImagePrintJob.h"
#include "platform/testing/TestApplication.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using platform::PageOrientation;
using platform::PdfPrintJob;

namespace {

class PrintJob : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::testing::EnsureTestApplication(); }
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tickora_print_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

std::string Head(const std::filesystem::path& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string text(count, '\0');
    in.read(text.data(), static_cast<std::streamsize>(count));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

} // namespace

TEST_F(PrintJob, PdfPageIsA4AtItsResolution) {
    PdfPrintJob job((dir_ / "page.pdf").string());
    EXPECT_EQ(job.Orientation(), PageOrientation::Portrait);
    EXPECT_EQ(job.PixelsPerInch(), 300);
    EXPECT_NEAR(job.PageWidth(), 2480, 1);  // 210 mm
    EXPECT_NEAR(job.PageHeight(), 3508, 1); // 297 mm
    job.SetOrientation(PageOrientation::Landscape);
    EXPECT_EQ(job.Orientation(), PageOrientation::Landscape);
    EXPECT_NEAR(job.PageWidth(), 3508, 1);
    EXPECT_NEAR(job.PageHeight(), 2480, 1);

    PdfPrintJob low((dir_ / "low.pdf").string(), PageOrientation::Portrait, 72);
    EXPECT_NEAR(low.PageWidth(), 595, 1);
    EXPECT_NEAR(low.PageHeight(), 842, 1);
}

TEST_F(PrintJob, PdfJobWritesAFileAndLocksItsLayoutWhileActive) {
    const auto path = dir_ / "report.pdf";
    PdfPrintJob job(path.string(), PageOrientation::Portrait, 100);
    EXPECT_FALSE(job.EndJob()); // nothing begun
    ASSERT_TRUE(job.BeginJob("Report"));
    EXPECT_FALSE(job.BeginJob("Again"));
    platform::Canvas& canvas = job.PageCanvas();
    EXPECT_EQ(canvas.Width(), job.PageWidth());
    EXPECT_EQ(canvas.Height(), job.PageHeight());
    EXPECT_EQ(canvas.PixelsPerInch(), 100);
    job.SetOrientation(PageOrientation::Landscape);
    EXPECT_EQ(job.Orientation(), PageOrientation::Portrait);
    canvas.FillRect(100, 100, 300, 200, platform::kBlack);
    ASSERT_TRUE(job.EndJob());
    EXPECT_EQ(Head(path, 5), "%PDF-");
    EXPECT_GT(std::filesystem::file_size(path), 500u);
    // The page goes in losslessly: no JPEG stream blurring lines and small print.
    const std::string whole = Head(path, 1 << 22);
    EXPECT_EQ(whole.find("DCTDecode"), std::string::npos);
    EXPECT_NE(whole.find("/Image"), std::string::npos);
}

TEST_F(PrintJob, PdfJobIntoAMissingFolderFails) {
    PdfPrintJob job((dir_ / "no-such-folder" / "x.pdf").string());
    ASSERT_TRUE(job.BeginJob("Report"));
    EXPECT_FALSE(job.EndJob());
}

TEST_F(PrintJob, ImageJobDeliversTheFinishedPage) {
    int delivered = 0;
    platform::Image page;
    std::string title;
    platform::testing::ImagePrintJob job(40, 60, 50, PageOrientation::Landscape,
                                         [&](const platform::Image& printed,
                                             const std::string& name, PageOrientation,
                                             int pixelsPerInch) {
                                             ++delivered;
                                             page = printed;
                                             title = name;
                                             EXPECT_EQ(pixelsPerInch, 50);
                                         });
    EXPECT_EQ(job.PageWidth(), 60);
    job.SetOrientation(PageOrientation::Portrait);
    EXPECT_EQ(job.PageWidth(), 40);
    EXPECT_EQ(job.PageHeight(), 60);
    ASSERT_TRUE(job.BeginJob("Tickora"));
    job.PageCanvas().SetPixel(3, 4, platform::kBlack);
    EXPECT_EQ(delivered, 0);
    ASSERT_TRUE(job.EndJob());
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(title, "Tickora");
    ASSERT_EQ(page.Width(), 40);
    EXPECT_EQ(page.Pixel(3, 4), platform::kBlack);
    EXPECT_EQ(page.Pixel(4, 4), platform::kWhite);
    // A second job on the same printer starts on a blank page.
    ASSERT_TRUE(job.BeginJob("Tickora"));
    EXPECT_EQ(job.PageCanvas().Pixel(3, 4), platform::kWhite);
    EXPECT_TRUE(job.EndJob());
}
