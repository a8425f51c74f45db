#pragma once

#include "audio/RateConverter.h"
#include "audio/SoundCardStream.h"
#include "audio/ThreadedInput.h"

#include <memory>
#include <vector>

namespace tickora {

// A sound card, read on the backend thread. The card is opened in the analysis' format
// when it has it (mono, or stereo mixed down); a card that records only at other rates
// (many USB microphones opened directly, at 48000 samples/s) is opened at its own rate and
// converted, so the analysis sees exactly the format it asked for. Error codes are the
// stream's, and their texts the stream's own.
class SoundCardInput final : public ThreadedInput {
public:
    explicit SoundCardInput(std::unique_ptr<SoundCardStream> stream);
    ~SoundCardInput() override;

    // The card's rate and channels of the last open (samples/s), for tests and the log.
    double DeviceRate() const { return deviceRate_; }
    int DeviceChannels() const { return channels_; }

private:
    static constexpr int kConverterError = 1; // libsamplerate could not be set up

    std::string SourceErrorText(int error) const override;
    int OpenSource(const AudioFormat& format) override;
    int StartSource() override;
    int StopSource() override;
    void StopAsked() override;
    void CloseSource() override;
    int ReadSource(std::int16_t* samples, int count) override;

    std::unique_ptr<SoundCardStream> stream_;
    std::unique_ptr<RateConverter> converter_; // made at open
    int converterError_ = 0;
    double deviceRate_ = 0.0; // samples/s
    int channels_ = 1;
    int framesPerRead_ = 0;
    std::vector<std::int16_t> frames_; // backend thread: one read, interleaved
};

} // namespace tickora
