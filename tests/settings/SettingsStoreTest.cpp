#include "settings/SettingsStore.h"
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tickora::SettingsStore;
using tickora::SettingsValues;
using tickora::TSettingsRecord;

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("tickora-store-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        path_ = (folder_ / "Settings.ini").string();
        store_.SetFilePath(path_);
        store_.SetErrorReporter([this](const std::string& message) { errors_.push_back(message); });
    }
    void TearDown() override { fs::remove_all(folder_); }

    void WriteFile(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string ReadFile() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<fs::path> FolderEntries() const {
        std::vector<fs::path> entries;
        for (const auto& entry : fs::directory_iterator(folder_))
            entries.push_back(entry.path().filename());
        return entries;
    }

    fs::path folder_;
    std::string path_;
    SettingsStore store_;
    std::vector<std::string> errors_;
};

TEST_F(SettingsStoreTest, SaveThenLoadGivesEverythingBackByteForByte) {
    SettingsValues& values = store_.Values();
    values.InputDevices = {"Microsoft Sound Mapper - Input", "USB Microphone"};
    values.Rate = "19800";
    values.Angle = "49";
    values.Sweep = "2/3.5";
    values.Pause = true;
    values.Filtering = 2;
    values.InputDevice = 1;
    values.Gain = 37.5;
    values.Weights = {1, 2, 3, 4, 5, 6};
    const SettingsValues saved = values;
    ASSERT_TRUE(store_.SaveSettings());
    const std::string bytes = ReadFile();
    EXPECT_EQ(bytes, tickora::FormatSettingsFile(saved));

    values = SettingsValues{};
    values.InputDevices = saved.InputDevices;
    store_.LoadSettings();
    EXPECT_EQ(store_.Values(), saved);
    ASSERT_TRUE(store_.SaveSettings());
    EXPECT_EQ(ReadFile(), bytes);
    EXPECT_TRUE(errors_.empty());
    // Only the settings file is left in the folder: no temporary file behind.
    EXPECT_EQ(FolderEntries(), std::vector<fs::path>{"Settings.ini"});
}

TEST_F(SettingsStoreTest, NoFileKeepsTheValuesAndResetsGainAndWeights) {
    store_.Values().Rate = "28800";
    store_.Values().Gain = 9.0;
    store_.Values().Weights[3] = 7;
    store_.LoadSettings();
    EXPECT_EQ(store_.Values().Rate, "28800");
    EXPECT_EQ(store_.Values().Gain, 1.0);
    EXPECT_EQ(store_.Values().Weights[3], 1);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SettingsStoreTest, EmptyFileChangesOnlyGainAndWeights) {
    WriteFile("");
    SettingsValues before = store_.Values();
    before.Rate = "3600";
    before.PlotRaw = true;
    store_.Values() = before;
    store_.Values().Gain = 5.0;
    store_.Values().Weights.fill(4);
    store_.LoadSettings();
    EXPECT_EQ(store_.Values(), before);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SettingsStoreTest, FailedWriteKeepsTheOldFileAndReportsTheReason) {
    WriteFile("OLD\r\n");
    // The file's place taken by a folder: the rename over it fails.
    const std::string blocked = (folder_ / "Blocked").string();
    fs::create_directories(fs::path(blocked) / "inside");
    store_.SetFilePath(blocked);
    EXPECT_FALSE(store_.SaveSettings());
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("Cannot save the settings file \"" + blocked + "\": "),
              std::string::npos);
    EXPECT_NE(errors_[0].find(std::strerror(EISDIR)), std::string::npos) << errors_[0];
    EXPECT_TRUE(fs::is_directory(fs::path(blocked) / "inside"));
    EXPECT_EQ(ReadFile(), "OLD\r\n");
    // The temporary file was removed again.
    EXPECT_EQ(FolderEntries().size(), 2u);
}

TEST_F(SettingsStoreTest, FolderThatCannotBeMadeIsReported) {
    // A parent that is a regular file stops the write even for root.
    WriteFile("x");
    store_.SetFilePath(path_ + "/Settings.ini");
    EXPECT_FALSE(store_.SaveSettings());
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find(std::strerror(ENOTDIR)), std::string::npos) << errors_[0];
    EXPECT_EQ(ReadFile(), "x");

    // Loading from there finds no file and reports nothing.
    store_.LoadSettings();
    EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(SettingsStoreTest, UnreadableFileIsReportedAndKeepsTheValues) {
    fs::create_directories(path_); // a folder where the file should be
    store_.Values().Angle = "44";
    store_.Values().Gain = 2.0;
    store_.LoadSettings();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("Cannot read the settings file \"" + path_ + "\": "),
              std::string::npos);
    EXPECT_NE(errors_[0].find(std::strerror(EISDIR)), std::string::npos) << errors_[0];
    EXPECT_EQ(store_.Values().Angle, "44");
}

TEST_F(SettingsStoreTest, OversizedFileIsReadOnlyUpToTheLimit) {
    std::string bytes = "28800\r\n" + std::string(tickora::kMaxSettingsFileSize * 2, 'x');
    WriteFile(bytes);
    store_.LoadSettings();
    EXPECT_EQ(store_.Values().Rate, "28800");
    EXPECT_EQ(store_.Values().Angle.size(), tickora::kMaxSettingsFileSize - 7);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SettingsStoreTest, StoreBackSavesOnlyChangedRecords) {
    TSettingsRecord record;
    store_.FillRecord(record);
    record.Gain = 64.0;
    store_.StoreBack(record); // not marked changed
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_EQ(store_.Values().Gain, 1.0);

    store_.Values().Rate = "21600"; // the controls' texts go with it
    record.Changed = true;
    record.Weights = {3, 3, 3, 0, 0, 9};
    store_.StoreBack(record);
    EXPECT_FALSE(record.Changed);
    EXPECT_EQ(store_.Values().Gain, 64.0);
    const std::string bytes = ReadFile();
    EXPECT_EQ(bytes.substr(0, 7), "21600\r\n");
    EXPECT_NE(bytes.find("\r\n 6.40000000000000E+0001\r\n3\r\n3\r\n3\r\n0\r\n0\r\n9\r\n"),
              std::string::npos);
}

// Files written by earlier releases must keep loading.
std::string Fixture(const std::string& name) {
    const char* root = std::getenv("TICKORA_SOURCE_DIR");
    const fs::path path = fs::path(root ? root : ".") / "tests" / "settings" / "fixtures" / name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(SettingsStoreTest, SavedFilesOfEarlierReleasesLoad) {
    const std::string current = Fixture("Settings-1.4.ini");
    WriteFile(current);
    store_.LoadSettings();
    TSettingsRecord record;
    store_.FillRecord(record);
    EXPECT_EQ(record.Rate, 28800);
    EXPECT_EQ(record.Angle, 53);
    EXPECT_EQ(record.Period, 30);
    EXPECT_EQ(record.Scale, 5);
    EXPECT_EQ(record.Calibration, -3.5);
    EXPECT_DOUBLE_EQ(record.Sweep, 1 / 5.5);
    EXPECT_TRUE(record.Pause);
    EXPECT_EQ(record.Settling, 10);
    EXPECT_EQ(record.Filtering, 2);
    EXPECT_EQ(record.InputDevice, -1);
    EXPECT_EQ(record.Gain, 23.5);
    EXPECT_EQ(record.Weights, (std::array<std::int32_t, 6>{1, 2, 1, 1, 3, 1}));
    // Written again, byte for byte the same file.
    ASSERT_TRUE(store_.SaveSettings());
    EXPECT_EQ(ReadFile(), current);

    // Files from the time the filter was a check box: TRUE was the wide filter. Short of the
    // weight lines, the weights stay 1.
    WriteFile(Fixture("Settings-boolean-filter.ini"));
    store_.LoadSettings();
    store_.FillRecord(record);
    EXPECT_EQ(record.Rate, 21600);
    EXPECT_EQ(record.Filtering, 1);
    EXPECT_TRUE(record.PlotRaw);
    EXPECT_TRUE(record.Manual);
    EXPECT_EQ(record.Weights, (std::array<std::int32_t, 6>{1, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(errors_.empty());
}

TEST(SettingsRecordTest, DefaultRecordIsTheInitialSettings) {
    TSettingsRecord filled;
    filled.Angle = 0;
    tickora::FillRecord(SettingsValues{}, filled);
    EXPECT_EQ(filled, TSettingsRecord{});
}

TEST(SettingsRecordTest, FillRecordFromValues) {
    SettingsValues values;
    TSettingsRecord record;
    record.Changed = true;
    tickora::FillRecord(values, record);
    EXPECT_EQ(record.Rate, 0); // AUTO
    EXPECT_EQ(record.Angle, 52);
    EXPECT_EQ(record.Period, 20);
    EXPECT_EQ(record.Scale, 10);
    EXPECT_EQ(record.Settling, 5);
    EXPECT_EQ(record.Calibration, 0.0);
    EXPECT_EQ(record.Sweep, 1.0);
    EXPECT_EQ(record.SweepRate, 1.0);
    EXPECT_EQ(record.Filtering, 0);    // no selection acts as None
    EXPECT_EQ(record.InputDevice, -1); // the mapper
    EXPECT_EQ(record.Gain, 1.0);
    EXPECT_FALSE(record.Changed);

    values.InputDevices = {"Microsoft Sound Mapper - Input", "A", "B"};
    values.Rate = "abc";
    values.Angle = "x";
    values.Calibration = "fast";
    values.Sweep = "1/5.5";
    values.Filtering = 3;
    values.InputDevice = 2;
    values.Pause = values.Manual = values.PlotRaw = true;
    values.Gain = 3.5;
    values.Weights = {6, 5, 4, 3, 2, 1};
    tickora::FillRecord(values, record);
    EXPECT_EQ(record.Rate, 0);
    EXPECT_EQ(record.Angle, 0);
    EXPECT_EQ(record.Calibration, 0.0);
    EXPECT_DOUBLE_EQ(record.Sweep, 1.0 / 5.5);
    EXPECT_DOUBLE_EQ(record.SweepRate, 5.5);
    EXPECT_EQ(record.Filtering, 3);
    EXPECT_EQ(record.InputDevice, 1);
    EXPECT_TRUE(record.Pause && record.Manual && record.PlotRaw);
    EXPECT_EQ(record.Gain, 3.5);
    EXPECT_EQ(record.Weights, values.Weights);

    values.Rate = "28800";
    values.Calibration = "-12.25";
    values.InputDevice = -1;
    tickora::FillRecord(values, record);
    EXPECT_EQ(record.Rate, 28800);
    EXPECT_EQ(record.Calibration, -12.25);
    EXPECT_EQ(record.InputDevice, -1);

    // Sweep results of 0.001 s or less fall back to 1 s.
    for (const char* sweep : {"1/0", "x/2", "0.005", "0.01/10", "0.01/100"}) {
        values.Sweep = sweep;
        tickora::FillRecord(values, record);
        EXPECT_EQ(record.Sweep, 1.0) << sweep;
        EXPECT_EQ(record.SweepRate, 1.0) << sweep;
    }
    values.Sweep = "0.01/9"; // 0.00111 s stays
    tickora::FillRecord(values, record);
    EXPECT_DOUBLE_EQ(record.Sweep, 0.01 / 9);
}

} // namespace
