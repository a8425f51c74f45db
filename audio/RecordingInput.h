#pragma once

#include "audio/ThreadedInput.h"
#include "audio/WallClockPacer.h"

#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;
struct SRC_STATE_tag;

namespace tickora {

// A sound file played as if it were being recorded: read in pieces with libsndfile, mixed
// to mono, converted to the capture rate with libsamplerate when the file has another,
// and delivered at real-time pace; silence follows its end. Playback continues where it
// stopped after a stop and a start.
class RecordingInput final : public ThreadedInput {
public:
    explicit RecordingInput(std::string path);
    ~RecordingInput() override;

private:
    std::string SourceErrorText(int error) const override;
    static constexpr int kSourceError = 1;
    static constexpr int kReadFrames = 1024; // file frames per read

    int OpenSource(const AudioFormat& format) override;
    int StartSource() override;
    int StopSource() override { return 0; }
    void CloseSource() override;
    int ReadSource(std::int16_t* samples, int count) override;

    bool Refill(); // backend thread; false when the file is used up

    std::string path_;
    std::string error_;
    sf_private_tag* file_ = nullptr;
    SRC_STATE_tag* converter_ = nullptr; // null when the file has the capture rate
    std::vector<float> polarity_;        // +1 or -1 per channel, before the mean
    double ratio_ = 1.0;                 // capture rate / file rate
    int sampleRate_ = 0;                 // capture rate, samples/s
    std::unique_ptr<float[]> frames_;    // interleaved, as read
    std::unique_ptr<float[]> mono_;      // mixed, waiting for the converter
    std::unique_ptr<float[]> converted_; // at the capture rate, waiting to be handed out
    int convertedCapacity_ = 0;
    int monoCount_ = 0;
    int monoUsed_ = 0;
    int convertedCount_ = 0;
    int convertedUsed_ = 0;
    bool fileEnded_ = false;
    bool finished_ = false;
    WallClockPacer pacer_;
};

} // namespace tickora
