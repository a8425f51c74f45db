#include "settings/ManualPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using tickora::FindManual;
using tickora::ManualCandidates;

TEST(ManualPaths, CandidatesBesideTheProgramThenInstalledFolders) {
    EXPECT_EQ(ManualCandidates("/opt/t/bin", {"../share/tickora/Manual", "/usr/share/m"}),
              (std::vector<std::string>{"/opt/t/bin/Manual/index.html", "/opt/t/Doc/index.html",
                                        "/opt/t/share/tickora/Manual/index.html",
                                        "/usr/share/m/index.html"}));
    // Empty folders are left out; an installed folder that is the same place as an earlier
    // candidate is not tried twice.
    EXPECT_EQ(ManualCandidates("/usr/bin", {"", "../share/t", "/usr/share/t", "/usr/share/t/"}),
              (std::vector<std::string>{"/usr/bin/Manual/index.html", "/usr/Doc/index.html",
                                        "/usr/share/t/index.html"}));
}

TEST(ManualPaths, FindsTheFirstThatIsAFileInAnInstalledLayout) {
    const fs::path prefix = fs::temp_directory_path() / "tickora-manual-paths";
    fs::remove_all(prefix);
    fs::create_directories(prefix / "bin");
    const auto candidates =
        ManualCandidates((prefix / "bin").string(), {"../share/tickora/Manual"});
    EXPECT_EQ(FindManual(candidates), "");

    // A folder named like the page is no manual.
    fs::create_directories(prefix / "bin" / "Manual" / "index.html");
    EXPECT_EQ(FindManual(candidates), "");

    const fs::path installed = prefix / "share" / "tickora" / "Manual" / "index.html";
    fs::create_directories(installed.parent_path());
    std::ofstream(installed) << "<html></html>";
    EXPECT_EQ(fs::path(FindManual(candidates)), installed);

    fs::create_directories(prefix / "Doc");
    std::ofstream(prefix / "Doc" / "index.html") << "<html></html>";
    EXPECT_EQ(fs::path(FindManual(candidates)), prefix / "Doc" / "index.html");
    fs::remove_all(prefix);
}

} // namespace
