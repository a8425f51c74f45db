// The analyser's sound file reader over arbitrary bytes: whatever libsndfile makes of
// them, mixed to mono and converted to 44100 samples/s.
#include "tools/SoundFileReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const std::vector<std::int16_t> sound = tools::SoundFileReader::ReadAll(data, size, error);
    if (!error.empty() && !sound.empty()) {
        std::abort(); // a failure delivers nothing
    }
    return 0;
}
