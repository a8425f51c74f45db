#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tools {

// tickora-synth: writes a synthesised watch to a 16-bit mono 44100 Hz WAV file. Returns the
// exit status: 0 written, 2 for a bad option or a file that cannot be written.
int RunSynth(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

std::string SynthUsage();

} // namespace tools
