#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

typedef struct sf_private_tag SNDFILE;

namespace tools {

enum class SoundFileFormat { Wav, Flac };

// Writes 16-bit PCM WAV or FLAC files a buffer at a time, so hours of sound never sit in memory.
class SoundFileWriter {
public:
    SoundFileWriter() = default;
    ~SoundFileWriter();
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    // False with Error() set when the file cannot be created.
    bool Open(const std::string& path, int sampleRate, int channels = 1,
              SoundFileFormat format = SoundFileFormat::Wav);
    // frames of interleaved samples; false with Error() set when the disk refuses them.
    bool Write(const std::int16_t* samples, std::size_t frames);
    // Finishes the header (FLAC: the last frame); false with Error() set on failure.
    bool Close();

    const std::string& Error() const { return error_; }

private:
    SNDFILE* file_ = nullptr;
    int channels_ = 1;
    std::string error_;
};

} // namespace tools
