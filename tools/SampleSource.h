#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tools {

// Where the analyser's sound comes from: 16-bit mono samples at 44100 per second.
class SampleSource {
public:
    virtual ~SampleSource() = default;
    // Up to count samples; fewer only at the end of the sound (or after a failure).
    virtual std::size_t Read(std::int16_t* samples, std::size_t count) = 0;
    // Empty unless reading failed.
    virtual std::string Error() const { return {}; }
};

} // namespace tools
