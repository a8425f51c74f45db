// Saving the settings on a full disk: the old file stays whole, the user is told why, and no
// temporary file is left behind.
#include "settings/SettingsFile.h"
#include "settings/SettingsStore.h"
#include "tests/support/FullDisk.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SettingsDiskFull, TheOldFileSurvivesAndTheReasonIsShown) {
    const fs::path folder = fs::temp_directory_path() / "tickora-settings-disk-full";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path path = folder / "Settings.ini";
    std::vector<std::string> errors;
    tickora::SettingsStore store;
    store.SetFilePath(path.string());
    store.SetErrorReporter([&](const std::string& message) { errors.push_back(message); });
    store.Values().Rate = "28800";
    ASSERT_TRUE(store.SaveSettings());
    const std::string old = ReadFile(path);

    store.Values().Rate = "21600";
    store.Values().Gain = 12.5;
    for (const rlim_t room : {rlim_t{0}, rlim_t{20}, rlim_t{old.size() - 1}}) {
        errors.clear();
        bool saved = true;
        {
            const tickora::testing::FullDisk full(room);
            saved = store.SaveSettings();
        }
        EXPECT_FALSE(saved) << room;
        ASSERT_EQ(errors.size(), 1u) << room;
        EXPECT_EQ(errors[0], "Cannot save the settings file \"" + path.string() +
                                 "\": " + std::strerror(EFBIG) + ".");
        EXPECT_EQ(ReadFile(path), old) << room;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
            << room;
    }

    // With room again the values are saved, and a store that loads them gets them all.
    ASSERT_TRUE(store.SaveSettings());
    tickora::SettingsStore reloaded;
    reloaded.SetFilePath(path.string());
    reloaded.LoadSettings();
    EXPECT_EQ(reloaded.Values().Rate, "21600");
    EXPECT_EQ(reloaded.Values().Gain, 12.5);
    fs::remove_all(folder);
}

} // namespace
