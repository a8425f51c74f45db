#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace audiotest {

// Writes 16-bit PCM WAV files for the recording tests; samples are interleaved.
bool WriteWav(const std::string& path, const std::vector<std::int16_t>& samples, int channels,
              int sampleRate);

// A temporary folder removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace audiotest
