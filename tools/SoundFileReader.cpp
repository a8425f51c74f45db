#include "tools/SoundFileReader.h"

#include "tools/ChannelPolarity.h"
#include "tools/RiffHeader.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tools {

namespace {

constexpr std::size_t kChunkFrames = 4096;
constexpr std::size_t kOutputFrames = 8192;
constexpr int kMaxChannels = 1024;

using MemoryFile = SoundFileReader::MemoryFile;

sf_count_t MemoryLength(void* user) {
    return static_cast<MemoryFile*>(user)->size;
}

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
    auto* m = static_cast<MemoryFile*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR) {
        base = m->position;
    } else if (whence == SEEK_END) {
        base = m->size;
    }
    // Out-of-range seeks stop at the ends instead of overflowing.
    if (offset > 0 && base > std::numeric_limits<sf_count_t>::max() - offset) {
        m->position = m->size;
    } else {
        m->position = std::clamp<sf_count_t>(base + offset, 0, m->size);
    }
    return m->position;
}

sf_count_t MemoryRead(void* destination, sf_count_t count, void* user) {
    auto* m = static_cast<MemoryFile*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, m->size - m->position);
    if (n > 0) {
        std::memcpy(destination, m->data + m->position, static_cast<std::size_t>(n));
        m->position += n;
    }
    return n;
}

sf_count_t MemoryWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t MemoryTell(void* user) {
    return static_cast<MemoryFile*>(user)->position;
}

std::int16_t ToSample(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double scaled = std::nearbyint(static_cast<double>(value) * 32768.0);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

} // namespace

SoundFileReader::SoundFileReader() = default;

SoundFileReader::~SoundFileReader() {
    Close();
}

void SoundFileReader::Close() {
    if (file_ != nullptr) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (resampler_ != nullptr) {
        src_delete(resampler_);
        resampler_ = nullptr;
    }
    sourceRate_ = 0;
    polarity_.clear();
    sourceFrames_ = 0;
    inputPosition_ = inputLength_ = outputPosition_ = outputLength_ = 0;
    inputEnded_ = false;
    direct_ = false;
    finished_ = true;
}

bool SoundFileReader::Open(const std::string& path) {
    Close();
    error_.clear();
    if (tools::DamagedRiffFile(path)) {
        error_ = tools::kDamagedRiff;
        return false;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        error_ = sf_strerror(nullptr);
        return false;
    }
    return Start(file, info.samplerate, info.channels, info.frames, info.format,
                 info.seekable != 0);
}

bool SoundFileReader::OpenMemory(const void* bytes, std::size_t size) {
    Close();
    error_.clear();
    memory_ =
        MemoryFile{static_cast<const unsigned char*>(bytes), static_cast<std::int64_t>(size), 0};
    auto readAt = [this](std::int64_t offset, unsigned char* to, int count) {
        if (offset < 0 || offset + count > memory_.size) {
            return false;
        }
        std::memcpy(to, memory_.data + offset, static_cast<std::size_t>(count));
        return true;
    };
    if (tools::DamagedRiff(memory_.size, readAt)) {
        error_ = tools::kDamagedRiff;
        return false;
    }
    SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &memory_);
    if (file == nullptr) {
        error_ = sf_strerror(nullptr);
        return false;
    }
    return Start(file, info.samplerate, info.channels, info.frames, info.format,
                 info.seekable != 0);
}

bool SoundFileReader::Start(SNDFILE* file, int rate, int channels, std::int64_t frames, int format,
                            bool seekable) {
    file_ = file;
    if (channels < 1 || channels > kMaxChannels) {
        error_ = "unsupported number of channels: " + std::to_string(channels);
    } else if (rate <= 0 || src_is_valid_ratio(static_cast<double>(kSampleRate) / rate) == 0) {
        error_ = "unsupported sample rate: " + std::to_string(rate) + " Hz";
    } else if (frames <= 0) {
        error_ = "the file holds no sound";
    }
    if (!error_.empty()) {
        Close();
        return false;
    }
    sourceRate_ = rate;
    sourceFrames_ = frames;
    ratio_ = static_cast<double>(kSampleRate) / rate;
    if (rate != kSampleRate) {
        int status = 0;
        resampler_ = src_new(SRC_SINC_MEDIUM_QUALITY, 1, &status);
        if (resampler_ == nullptr) {
            error_ = src_strerror(status);
            Close();
            return false;
        }
    }
    // What the analysis takes as it is: read straight, without the trip through floats.
    direct_ =
        (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 && channels == 1 && rate == kSampleRate;
    interleaved_.resize(kChunkFrames * static_cast<std::size_t>(channels));
    input_.resize(kChunkFrames);
    output_.resize(kOutputFrames);
    polarity_.assign(static_cast<std::size_t>(channels), 1.0f);
    if (channels > 1 && seekable && !MatchChannelPolarities(file_, rate, polarity_)) {
        error_ = "the file cannot be read from its start again";
        Close();
        return false;
    }
    finished_ = false;
    return true;
}

std::size_t SoundFileReader::ReadMono(float* mono, std::size_t frames) {
    const sf_count_t got =
        sf_readf_float(file_, interleaved_.data(), static_cast<sf_count_t>(frames));
    if (sf_error(file_) != SF_ERR_NO_ERROR) {
        error_ = sf_strerror(file_);
        return 0;
    }
    const auto n = static_cast<std::size_t>(std::max<sf_count_t>(got, 0));
    MixDown(interleaved_.data(), n, polarity_, mono);
    return n;
}

bool SoundFileReader::Refill() {
    outputPosition_ = 0;
    outputLength_ = 0;
    if (resampler_ == nullptr) {
        outputLength_ = ReadMono(output_.data(), std::min(kChunkFrames, output_.size()));
        return outputLength_ > 0;
    }
    // Feed the converter until it gives something or has been drained at the end.
    while (outputLength_ == 0) {
        if (inputPosition_ == inputLength_ && !inputEnded_) {
            inputLength_ = ReadMono(input_.data(), kChunkFrames);
            inputPosition_ = 0;
            inputEnded_ = inputLength_ < kChunkFrames;
        }
        SRC_DATA data{};
        data.data_in = input_.data() + inputPosition_;
        data.input_frames = static_cast<long>(inputLength_ - inputPosition_);
        data.data_out = output_.data();
        data.output_frames = static_cast<long>(output_.size());
        data.src_ratio = ratio_;
        data.end_of_input = inputEnded_ ? 1 : 0;
        const int status = src_process(resampler_, &data);
        if (status != 0) {
            error_ = src_strerror(status);
            return false;
        }
        inputPosition_ += static_cast<std::size_t>(data.input_frames_used);
        outputLength_ = static_cast<std::size_t>(data.output_frames_gen);
        if (outputLength_ == 0 && inputEnded_ && inputPosition_ == inputLength_) {
            return false;
        }
    }
    return true;
}

std::size_t SoundFileReader::Read(std::int16_t* samples, std::size_t count) {
    if (direct_) {
        if (finished_) {
            return 0;
        }
        const sf_count_t got = sf_read_short(file_, samples, static_cast<sf_count_t>(count));
        if (sf_error(file_) != SF_ERR_NO_ERROR) {
            error_ = sf_strerror(file_);
            finished_ = true;
            return 0;
        }
        const auto n = static_cast<std::size_t>(std::max<sf_count_t>(got, 0));
        finished_ = n < count;
        return n;
    }
    std::size_t produced = 0;
    while (produced < count && !finished_) {
        if (outputPosition_ == outputLength_ && !Refill()) {
            finished_ = true;
            break;
        }
        const std::size_t n = std::min(count - produced, outputLength_ - outputPosition_);
        for (std::size_t i = 0; i < n; ++i) {
            samples[produced + i] = ToSample(output_[outputPosition_ + i]);
        }
        produced += n;
        outputPosition_ += n;
    }
    return produced;
}

std::vector<std::int16_t> SoundFileReader::ReadAll(const void* bytes, std::size_t size,
                                                   std::string& error) {
    SoundFileReader reader;
    std::vector<std::int16_t> sound;
    if (!reader.OpenMemory(bytes, size)) {
        error = reader.Error();
        return sound;
    }
    std::int16_t buffer[4096];
    while (const std::size_t n = reader.Read(buffer, 4096)) {
        sound.insert(sound.end(), buffer, buffer + n);
    }
    error = reader.Error();
    if (!error.empty()) {
        sound.clear();
    }
    return sound;
}

} // namespace tools
