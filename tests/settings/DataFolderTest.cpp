#include "settings/DataFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

fs::path FreshFolder(const std::string& leaf) {
    const fs::path root = fs::temp_directory_path() / ("tickora-datafolder-" + leaf);
    fs::remove_all(root);
    return root;
}

TEST(DataFolderTest, UsesXdgDataHomeAndCreatesMissingParents) {
    const fs::path root = FreshFolder("xdg");
    const fs::path xdg = root / "deep" / "share";
    ScopedEnv env("XDG_DATA_HOME", xdg.c_str());
    const std::string path = tickora::DataFilePath("Settings.ini");
    EXPECT_EQ(path, (xdg / "Tickora" / "Settings.ini").string());
    EXPECT_TRUE(fs::is_directory(xdg / "Tickora"));
    // The folder can be used at once for a new file.
    std::ofstream(path) << "x";
    EXPECT_TRUE(fs::exists(path));
    fs::remove_all(root);
}

TEST(DataFolderTest, FallsBackToLocalShareUnderHome) {
    const fs::path root = FreshFolder("home");
    ScopedEnv home("HOME", root.c_str());
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(tickora::DataFilePath("State.tkr"),
              (root / ".local" / "share" / "Tickora" / "State.tkr").string());
    EXPECT_TRUE(fs::is_directory(root / ".local" / "share" / "Tickora"));

    // A relative XDG_DATA_HOME is not a valid setting and is ignored.
    ScopedEnv relative("XDG_DATA_HOME", "relative/share");
    EXPECT_EQ(tickora::DataFolder(), (root / ".local" / "share" / "Tickora").string());
    fs::remove_all(root);
}

TEST(DataFolderTest, SubfolderNamesStayInsideTheDataFolder) {
    const fs::path root = FreshFolder("sub");
    ScopedEnv env("XDG_DATA_HOME", root.c_str());
    EXPECT_EQ(tickora::DataFilePath("Recordings"), (root / "Tickora" / "Recordings").string());
    fs::remove_all(root);
}

TEST(DataFolderTest, UncreatableFolderStillGivesThePath) {
    // A parent that is a regular file: the folder cannot be made, the path is still returned
    // and the caller's open reports the failure.
    const fs::path root = FreshFolder("blocked");
    fs::create_directories(root);
    std::ofstream(root / "file") << "x";
    ScopedEnv env("XDG_DATA_HOME", (root / "file").c_str());
    EXPECT_EQ(tickora::DataFilePath("Settings.ini"),
              (root / "file" / "Tickora" / "Settings.ini").string());
    EXPECT_FALSE(fs::exists(root / "file" / "Tickora"));
    fs::remove_all(root);
}

} // namespace
