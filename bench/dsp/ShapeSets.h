#pragma once

#include "dsp/synth/WatchParameters.h"

#include <cstdint>
#include <string>

// The watch sounds the tables are drawn from: the family of watch sounds, from one of two
// sets of seeds kept apart (the analysis is tuned on the tuning set only, and reported on the
// report set, never looked at while tuning), or the synthesiser's built-in sound.
enum class ShapeSet { Report, Tuning, Builtin };

inline bool ParseShapeSet(const std::string& text, ShapeSet& set) {
    if (text == "report") {
        set = ShapeSet::Report;
    } else if (text == "tuning") {
        set = ShapeSet::Tuning;
    } else if (text == "builtin") {
        set = ShapeSet::Builtin;
    } else {
        return false;
    }
    return true;
}

inline const char* ShapeSetName(ShapeSet set) {
    return set == ShapeSet::Report ? "report" : set == ShapeSet::Tuning ? "tuning" : "builtin";
}

// The sound of the table's case number n.
inline void ApplyShape(ShapeSet set, int n, synth::WatchParameters& p) {
    if (set != ShapeSet::Builtin) {
        const std::uint64_t base = set == ShapeSet::Tuning ? 1000 : 900000;
        p.shape = synth::RandomShape(base + static_cast<std::uint64_t>(n));
    }
}
