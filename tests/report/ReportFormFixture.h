#pragma once

#include "platform/Image.h"
#include "platform/testing/FakeDialogs.h"
#include "report/ui/ReportForm.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tickora::testing {

// A report dialog over pages the test describes, with the settings in a file of its own and
// a stand-in plot area that each shown page fills with its picture.
class ReportFormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the dialog (once) and shows it, active, without blocking.
    void Show();
    // Moves the keyboard focus as the user would.
    void Focus(QWidget* widget);
    // Selects a report cell; its editor opens.
    QLineEdit* EditCell(int row, int col);
    // Types into the open editor as keys.
    void Type(const QString& text);

    std::string ReportCell(int row, int col) const;
    std::string ResultCell(int row, int col) const;
    // The stored settings file, line by line (without line ends).
    std::vector<std::string> SettingsLines() const;
    void WriteSettings(const std::vector<std::string>& lines) const;

    // A page picture of the plot's size in one colour.
    std::shared_ptr<platform::Image> Picture(platform::Rgb colour) const;

    static constexpr int kPlotWidth = 240; // pixels
    static constexpr int kPlotHeight = 128;

    std::filesystem::path folder_;
    platform::testing::FakeDialogs dialogs_;
    SettingsStore store_;
    std::vector<pages::TPageInfo> pages_;
    platform::Image plot_{kPlotWidth, kPlotHeight};
    std::vector<std::int32_t> shownPages_;
    std::unique_ptr<TReportForm> form_;
};

} // namespace tickora::testing
