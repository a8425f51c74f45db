#include "tools/SoundFileWriter.h"

#include <sndfile.h>

namespace tools {

SoundFileWriter::~SoundFileWriter() {
    Close();
}

bool SoundFileWriter::Open(const std::string& path, int sampleRate, int channels,
                           SoundFileFormat format) {
    Close();
    error_.clear();
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format =
        (format == SoundFileFormat::Flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
    file_ = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file_ == nullptr) {
        error_ = sf_strerror(nullptr);
        return false;
    }
    channels_ = channels;
    return true;
}

bool SoundFileWriter::Write(const std::int16_t* samples, std::size_t frames) {
    if (file_ == nullptr) {
        error_ = "no file is open";
        return false;
    }
    const auto wanted = static_cast<sf_count_t>(frames);
    if (sf_writef_short(file_, samples, wanted) != wanted) {
        error_ = sf_strerror(file_);
        return false;
    }
    return true;
}

bool SoundFileWriter::Close() {
    if (file_ == nullptr) {
        return error_.empty();
    }
    const int status = sf_close(file_);
    file_ = nullptr;
    if (status != 0) {
        error_ = sf_error_number(status);
        return false;
    }
    return true;
}

} // namespace tools
