#include "tools/ChannelPolarity.h"

#include <sndfile.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>

namespace tools {

namespace {

constexpr double kScanSeconds = 10.0;        // s of sound compared
constexpr sf_count_t kScanSamples = 1 << 22; // at most, over every channel
constexpr sf_count_t kChunkFrames = 4096;

} // namespace

bool MatchChannelPolarities(SNDFILE* file, int sampleRate, std::vector<float>& polarity) {
    const std::size_t channels = polarity.size();
    std::fill(polarity.begin(), polarity.end(), 1.0f);
    if (channels < 2) {
        return true;
    }
    const sf_count_t scan = std::min<sf_count_t>(static_cast<sf_count_t>(kScanSeconds * sampleRate),
                                                 kScanSamples / static_cast<sf_count_t>(channels));
    std::vector<float> frames(static_cast<std::size_t>(kChunkFrames) * channels);
    std::vector<float> last(channels, 0.0f);
    std::vector<double> change(channels, 0.0);
    // Sample-to-sample changes leave hum and rumble out, where the channels may agree while
    // their ticks do not. take() sees every frame's changes from the one before.
    auto pass = [&](auto take) {
        bool first = true;
        for (sf_count_t done = 0; done < scan;) {
            const sf_count_t got =
                sf_readf_float(file, frames.data(), std::min(kChunkFrames, scan - done));
            if (got <= 0) {
                break;
            }
            for (sf_count_t i = 0; i < got; ++i) {
                const float* frame = frames.data() + static_cast<std::size_t>(i) * channels;
                for (std::size_t c = 0; c < channels; ++c) {
                    change[c] = static_cast<double>(frame[c]) - last[c];
                }
                if (!first) {
                    take();
                }
                first = false;
                std::copy_n(frame, channels, last.begin());
            }
            done += got;
        }
        return sf_seek(file, 0, SEEK_SET) == 0;
    };
    std::vector<double> energy(channels, 0.0);
    bool back = pass([&] {
        for (std::size_t c = 0; c < channels; ++c) {
            energy[c] += change[c] * change[c];
        }
    });
    // NaN compares false: a channel of NaN is never the reference.
    std::size_t loudest = 0;
    for (std::size_t c = 1; c < channels; ++c) {
        if (energy[c] > energy[loudest]) {
            loudest = c;
        }
    }
    std::vector<double> together(channels, 0.0);
    back = back && pass([&] {
               for (std::size_t c = 0; c < channels; ++c) {
                   together[c] += change[c] * change[loudest];
               }
           });
    for (std::size_t c = 0; c < channels; ++c) {
        polarity[c] = together[c] < 0.0 ? -1.0f : 1.0f;
    }
    return back;
}

void MixDown(const float* frames, std::size_t count, const std::vector<float>& polarity,
             float* mono) {
    const std::size_t channels = polarity.size();
    for (std::size_t i = 0; i < count; ++i) {
        const float* frame = frames + i * channels;
        float sum = 0.0f;
        for (std::size_t c = 0; c < channels; ++c) {
            sum += polarity[c] * frame[c];
        }
        mono[i] = sum / static_cast<float>(channels);
    }
}

} // namespace tools
