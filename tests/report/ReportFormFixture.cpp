#include "ReportFormFixture.h"

#include "platform/Canvas.h"
#include "platform/testing/TestApplication.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>

#include <fstream>

namespace tickora::testing {

namespace fs = std::filesystem;

void ReportFormTest::SetUp() {
    platform::testing::EnsureTestApplication();
    folder_ = fs::temp_directory_path() /
              ("tickora-report-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    store_.SetFilePath((folder_ / "Settings.ini").string());
}

void ReportFormTest::TearDown() {
    form_.reset();
    fs::remove_all(folder_);
}

void ReportFormTest::Show() {
    if (!form_) {
        store_.LoadSettings();
        TReportFormHost host;
        host.pageCount = [this] { return static_cast<std::int32_t>(pages_.size()); };
        host.getPage = [this](std::int32_t index) {
            return index >= 1 && index <= static_cast<std::int32_t>(pages_.size())
                       ? pages_[static_cast<std::size_t>(index - 1)]
                       : pages::TPageInfo{};
        };
        host.fillRecord = [this](TSettingsRecord& record) { store_.FillRecord(record); };
        host.storeBack = [this](TSettingsRecord& record) { store_.StoreBack(record); };
        // As the main window shows a page: white, then the picture from its top left.
        host.showPage = [this](std::int32_t index) {
            shownPages_.push_back(index);
            plot_.Fill(platform::kWhite);
            const auto& image = pages_.at(static_cast<std::size_t>(index - 1)).Image;
            if (image) {
                platform::Canvas canvas(plot_);
                canvas.CopyRect(0, 0, kPlotWidth, kPlotHeight, *image, 0, 0, kPlotWidth,
                                kPlotHeight);
            }
        };
        host.plotArea = [this] { return &plot_; };
        host.applicationTitle = [] { return std::string("Tickora 1.4"); };
        form_ = std::make_unique<TReportForm>(dialogs_, host);
    }
    form_->show();
    form_->activateWindow();
    QApplication::setActiveWindow(form_.get());
    QCoreApplication::processEvents();
}

void ReportFormTest::Focus(QWidget* widget) {
    widget->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
}

QLineEdit* ReportFormTest::EditCell(int row, int col) {
    TColorStringGrid* grid = form_->ReportGrid();
    Focus(grid);
    grid->setCurrentCell(row, col);
    QCoreApplication::processEvents();
    return grid->InplaceEditor();
}

void ReportFormTest::Type(const QString& text) {
    QLineEdit* editor = form_->ReportGrid()->InplaceEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, text);
    QCoreApplication::processEvents();
}

std::string ReportFormTest::ReportCell(int row, int col) const {
    return form_->ReportGrid()->Cells(col, row).toStdString();
}

std::string ReportFormTest::ResultCell(int row, int col) const {
    return form_->ResultGrid()->Cells(col, row).toStdString();
}

std::vector<std::string> ReportFormTest::SettingsLines() const {
    std::ifstream in(folder_ / "Settings.ini", std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void ReportFormTest::WriteSettings(const std::vector<std::string>& lines) const {
    std::ofstream out(folder_ / "Settings.ini", std::ios::binary);
    for (const std::string& line : lines)
        out << line << "\r\n";
}

std::shared_ptr<platform::Image> ReportFormTest::Picture(platform::Rgb colour) const {
    return std::make_shared<platform::Image>(kPlotWidth, kPlotHeight, colour);
}

} // namespace tickora::testing
