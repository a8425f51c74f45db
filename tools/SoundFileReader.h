#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;
typedef struct SRC_STATE_tag SRC_STATE;

namespace tools {

// Reads a recording (any format libsndfile knows: WAV, AIFF, FLAC...) as 16-bit mono at
// 44100 samples per second, the capture format the analysis expects: channels are mixed down
// by their mean (a channel carrying the sound in opposite polarity turned over first), other
// sample rates converted with libsamplerate. Works from a file or from
// bytes in memory, so a fuzz target can feed it anything; a damaged or foreign file gives a
// failure with a reason, never a crash. Buffers are allocated at Open, not per Read.
class SoundFileReader {
public:
    static constexpr int kSampleRate = 44100; // samples/s delivered

    SoundFileReader();
    ~SoundFileReader();
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    // False with Error() set when the file cannot be read as sound or holds none.
    bool Open(const std::string& path);
    // The bytes must stay alive and unchanged until Close or the next Open.
    bool OpenMemory(const void* bytes, std::size_t size);
    void Close();

    // Fills up to count samples; fewer only at the end of the sound or after a read error
    // (then Error() says what went wrong). 0 once the sound is over.
    std::size_t Read(std::int16_t* samples, std::size_t count);

    const std::string& Error() const { return error_; }
    int SourceRate() const { return sourceRate_; } // samples/s of the file
    // Channels of the file: one polarity factor each.
    int SourceChannels() const { return static_cast<int>(polarity_.size()); }
    std::int64_t SourceFrames() const { return sourceFrames_; }

    // Everything the reader can deliver from the bytes, or empty with error set: the fuzz
    // target's entry point.
    static std::vector<std::int16_t> ReadAll(const void* bytes, std::size_t size,
                                             std::string& error);

    struct MemoryFile {
        const unsigned char* data = nullptr;
        std::int64_t size = 0;
        std::int64_t position = 0;
    };

private:
    bool Start(SNDFILE* file, int rate, int channels, std::int64_t frames, int format,
               bool seekable);
    bool Refill();
    std::size_t ReadMono(float* mono, std::size_t frames);

    SNDFILE* file_ = nullptr;
    SRC_STATE* resampler_ = nullptr;
    MemoryFile memory_;
    std::string error_;
    int sourceRate_ = 0;
    std::int64_t sourceFrames_ = 0;
    double ratio_ = 1.0;

    bool direct_ = false;            // 16-bit mono at 44100: read as it is
    std::vector<float> interleaved_; // one chunk of the file's frames
    std::vector<float> polarity_;    // +1 or -1 per channel, before the mean
    std::vector<float> input_;       // mixed to mono, before conversion
    std::vector<float> output_;      // mono at 44100, ready to hand out
    std::size_t inputPosition_ = 0;
    std::size_t inputLength_ = 0;
    std::size_t outputPosition_ = 0;
    std::size_t outputLength_ = 0;
    bool inputEnded_ = false;
    bool finished_ = false;
};

} // namespace tools
