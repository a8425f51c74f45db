#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace tickora {

// A source of the sound server (a microphone, a line input, the monitor of an output): its
// name, by which it is opened, and its description, by which a user knows it.
struct PulseSource {
    std::string name;
    std::string description;
};

// The sources of the running PulseAudio server (PipeWire serves the same through its
// PulseAudio server), in the server's order, and the sound system to show beside them:
// "PulseAudio", or "PipeWire" when that is what serves them. With no server, none, at once:
// no server is started for the question, and one that does not answer within the limit
// counts as none. GUI thread.
struct PulseSourceList {
    std::vector<PulseSource> sources;
    std::string soundSystem;
};
PulseSourceList ListPulseSources(std::chrono::milliseconds limit = std::chrono::milliseconds(1500));

} // namespace tickora
