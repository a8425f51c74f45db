#pragma once

#include "pages/PageHistory.h"
#include "pages/PlotSnapshot.h"
#include "platform/Image.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace pages_test {

// A plot of settable size and colour standing in for the main window's plot area.
class FakePlot : public pages::PlotSnapshot {
public:
    FakePlot(int width, int height) : plot(width, height) {}

    void SnapshotPlot(std::shared_ptr<platform::Image>& slot, bool copy) override {
        pages::FitPageImage(slot, plot.Width(), plot.Height());
        if (copy) {
            *slot = plot;
            ++copies;
        }
    }
    void Paint(platform::Rgb colour) { plot.Fill(colour); }
    void Resize(int width, int height) { plot.Reset(width, height); }

    platform::Image plot;
    int copies = 0;
};

// A clock that moves on one minute each time it is read.
class StepClock {
public:
    explicit StepClock(double start) : next_(std::make_shared<double>(start)) {}
    double operator()() {
        const double now = *next_;
        *next_ += 1.0 / 1440;
        return now;
    }

private:
    std::shared_ptr<double> next_;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tickora-pages-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Little-endian pieces for building files by hand.
inline void AppendInt32(std::vector<std::uint8_t>& out, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
    }
}

inline void AppendBytes(std::vector<std::uint8_t>& out, std::initializer_list<int> bytes) {
    for (int b : bytes) {
        out.push_back(static_cast<std::uint8_t>(b));
    }
}

// A fixed block with the given daily rate bytes pattern: 56 bytes, the flags set, all
// doubles zero except where the caller overwrites them.
inline std::vector<std::uint8_t> FixedBlock(std::uint8_t marker) {
    std::vector<std::uint8_t> block(56, 0);
    block[0] = marker; // lowest byte of DailyRate: a tiny subnormal, enough to tell pages apart
    block[24] = 1;
    return block;
}

inline void AppendEntry(std::vector<std::uint8_t>& out, std::uint8_t marker,
                        const std::string& annotation) {
    const auto block = FixedBlock(marker);
    out.insert(out.end(), block.begin(), block.end());
    AppendInt32(out, static_cast<std::int32_t>(annotation.size()));
    out.insert(out.end(), annotation.begin(), annotation.end());
}

} // namespace pages_test
