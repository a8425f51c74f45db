#include "WavFile.h"

#include <sndfile.h>

#include <cstdlib>
#include <filesystem>

namespace audiotest {

bool WriteWav(const std::string& path, const std::vector<std::int16_t>& samples, int channels,
              int sampleRate) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    const bool written = sf_writef_short(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

TempFolder::TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tickora-audio-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

TempFolder::~TempFolder() {
    std::error_code error;
    if (!path_.empty()) {
        std::filesystem::remove_all(path_, error);
    }
}

} // namespace audiotest
