#pragma once

#include "tools/SampleSource.h"
#include "tools/SoundFileReader.h"

namespace tools {

// An open recording as a sample source.
class SoundFileSource : public SampleSource {
public:
    explicit SoundFileSource(SoundFileReader& reader) : reader_(reader) {}

    std::size_t Read(std::int16_t* samples, std::size_t count) override {
        return reader_.Read(samples, count);
    }
    std::string Error() const override { return reader_.Error(); }

private:
    SoundFileReader& reader_;
};

} // namespace tools
