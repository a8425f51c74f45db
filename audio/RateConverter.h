#pragma once

#include <cstdint>
#include <memory>
#include <vector>

typedef struct SRC_STATE_tag SRC_STATE;

namespace tickora {

// Turns a sound card's own format (any rate, one or more interleaved channels of 16-bit
// samples) into the analysis' format, 16-bit mono at 44100 samples/s: the channels are
// mixed down, then libsamplerate converts the rate. A card that already records mono at
// 44100 passes through untouched. Used by one thread at a time.
class RateConverter {
public:
    // deviceRate and outputRate in samples/s; channels >= 1.
    RateConverter(double deviceRate, int channels, double outputRate);
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    // libsamplerate's error when the converter could not be made (0: none); its text is
    // src_strerror's.
    int Error() const { return error_; }
    bool Converts() const { return state_ != nullptr; }

    // Device frames to read for count output samples, about: the size of one device read.
    int DeviceFramesFor(int count) const;

    // Takes frames interleaved frames from the card; their sound becomes available.
    void Push(const std::int16_t* frames, int frameCount);

    // Converted samples waiting to be taken.
    int Available() const { return static_cast<int>(output_.size() - taken_); }

    // Takes count samples (count <= Available()).
    void Take(std::int16_t* samples, int count);

    // Forgets what is buffered, for a new start of recording.
    void Clear();

private:
    double ratio_; // output samples per device frame
    int channels_;
    int error_ = 0;
    SRC_STATE* state_ = nullptr;
    std::vector<float> mono_;          // mixed input of one push
    std::vector<float> converted_;     // libsamplerate's output of one push
    std::vector<std::int16_t> output_; // converted samples, from taken_ on not yet taken
    std::size_t taken_ = 0;
};

} // namespace tickora
