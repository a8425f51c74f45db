#pragma once

#include <cstddef>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace tools {

// Two microphones, or a balanced input wired the other way round, can carry a watch in
// opposite polarity on two channels, and their plain mean then cancels the ticks. Reads the
// first seconds of an open, seekable file of `sampleRate` frames/s and sets one factor per
// channel (polarity.size() channels): -1 for a channel that moves against the one that changes
// most (whose sharpest sounds are the ticks), +1 for the rest. Leaves the file at its start;
// false when it cannot go back there.
bool MatchChannelPolarities(SNDFILE* file, int sampleRate, std::vector<float>& polarity);

// The mean of each of `count` interleaved frames of polarity.size() channels, every channel
// first multiplied by its factor, into mono.
void MixDown(const float* frames, std::size_t count, const std::vector<float>& polarity,
             float* mono);

} // namespace tools
