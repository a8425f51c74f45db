#include "dsp/synth/WatchParameters.h"

#include "dsp/synth/RandomSource.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace synth {

std::string CheckWatchParameters(const WatchParameters& p) {
    if (p.beatsPerHour < 300 || p.beatsPerHour > 86400) {
        return "beat rate must be from 300 to 86400 beats/hour";
    }
    if (!std::isfinite(p.rate) || std::fabs(p.rate) > 5000.0) {
        return "daily rate must be from -5000 to +5000 s/d";
    }
    if (!std::isfinite(p.liftAngle) || p.liftAngle < 10.0 || p.liftAngle > 90.0) {
        return "lift angle must be from 10 to 90 degrees";
    }
    // The balance must swing through the whole lift angle.
    if (!std::isfinite(p.amplitude) || p.amplitude <= p.liftAngle / 2.0 || p.amplitude > 720.0) {
        return "amplitude must be above half the lift angle and at most 720 degrees";
    }
    const double beatMs = 3.6e6 / p.beatsPerHour;
    if (!std::isfinite(p.beatError) || p.beatError < 0.0 || p.beatError > beatMs / 4.0) {
        return "beat error must be from 0 to a quarter of the beat interval";
    }
    if (!std::isfinite(p.tickLevel) || p.tickLevel <= 0.0 || p.tickLevel > 1.0) {
        return "tick level must be above 0 and at most 1";
    }
    if (std::isnan(p.noiseDb) || p.noiseDb > 20.0 || std::isnan(p.humDb) || p.humDb > 20.0 ||
        std::isnan(p.clickDb) || p.clickDb > 20.0 || std::isnan(p.brownNoiseDb) ||
        p.brownNoiseDb > 20.0) {
        return "noise, hum and click levels must be at most +20 dB";
    }
    if (!std::isfinite(p.humFrequency) || p.humFrequency <= 0.0 || p.humFrequency > 1000.0) {
        return "hum frequency must be above 0 and at most 1000 Hz";
    }
    if (!std::isfinite(p.clicksPerMinute) || p.clicksPerMinute < 0.0 || p.clicksPerMinute > 600.0) {
        return "stray clicks must be from 0 to 600 per minute";
    }
    if (!std::isfinite(p.clockError) || std::fabs(p.clockError) > 5000.0) {
        return "clock error must be from -5000 to +5000 s/d";
    }
    if (!std::isfinite(p.startOffset) || p.startOffset < 0.0 || p.startOffset > 3600.0) {
        return "start offset must be from 0 to 3600 s";
    }
    const SoundShape& s = p.shape;
    if (s.bursts != 0) {
        if (s.bursts < 2 || s.bursts > SoundShape::kMaxBursts) {
            return "a beat's sound has 2 to 4 bursts";
        }
        for (const auto* bursts : {&s.tick, &s.tock}) {
            for (int k = 0; k < s.bursts; ++k) {
                const Burst& b = (*bursts)[k];
                if (!(b.place >= 0.0 && b.place <= 1.0) || !(b.level > 0.0 && b.level <= 2.0) ||
                    !(b.frequency >= 100.0 && b.frequency <= 15000.0) ||
                    !(b.decay >= 0.02e-3 && b.decay <= 10e-3)) {
                    return "a burst's place is 0 to 1, its level above 0 and at most 2, its "
                           "pitch 100 to 15000 Hz and its decay 0.02 to 10 ms";
                }
            }
        }
        if (!(s.ringFrequency >= 0.0 && s.ringFrequency <= 15000.0) ||
            !(s.ringLevel >= 0.0 && s.ringLevel <= 2.0) ||
            !(s.echoDelay >= 0.0 && s.echoDelay <= 50e-3) ||
            !(s.echoLevel >= 0.0 && s.echoLevel <= 1.0)) {
            return "the case's ringing and echo are out of range";
        }
    }
    return {};
}

SoundShape RandomShape(std::uint64_t seed) {
    RandomSource r(seed ^ 0x6a09e667f3bcc909ULL);
    auto uniform = [&](double lo, double hi) { return lo + (hi - lo) * r.Uniform(); };
    auto logUniform = [&](double lo, double hi) { return lo * std::pow(hi / lo, r.Uniform()); };
    SoundShape s;
    s.bursts = 2 + static_cast<int>(r.Next() % 3);
    for (int k = 0; k < s.bursts; ++k) {
        Burst& b = s.tick[k];
        if (k == 0) {
            b.place = 0.0;
            b.level = uniform(0.15, 1.0);
        } else if (k == s.bursts - 1) {
            b.place = 1.0;
            b.level = 1.0;
        } else {
            b.place = uniform(0.2, 0.8);
            b.level = uniform(0.1, 0.8);
        }
        b.frequency = logUniform(1500.0, 7000.0);
        b.decay = logUniform(0.1e-3, 1.5e-3);
    }
    // Impulses in the order they sound.
    if (s.bursts == 4 && s.tick[1].place > s.tick[2].place) {
        std::swap(s.tick[1].place, s.tick[2].place);
    }
    // The tock: the other pallet, a little unlike the tick and often quieter; its sounds keep
    // to the family's loudness against its own drop.
    const double tockGain = uniform(0.6, 1.05);
    for (int k = 0; k < s.bursts; ++k) {
        Burst& b = s.tock[k];
        b = s.tick[k];
        const double relative = k == s.bursts - 1 ? 1.0
                                : k == 0 ? std::clamp(b.level * uniform(0.8, 1.2), 0.15, 1.0)
                                         : std::clamp(b.level * uniform(0.8, 1.2), 0.1, 0.8);
        b.level = tockGain * relative;
        b.frequency = std::min(7000.0, b.frequency * uniform(0.9, 1.12));
        b.decay = std::clamp(b.decay * uniform(0.8, 1.25), 0.1e-3, 1.5e-3);
    }
    if (r.Uniform() < 0.5) {
        s.ringFrequency = uniform(500.0, 3000.0);
        s.ringLevel = uniform(0.1, 0.4);
    }
    if (r.Uniform() < 0.5) {
        s.echoDelay = uniform(2e-3, 8e-3);
        s.echoLevel = uniform(0.2, 0.5);
    }
    return s;
}

std::string ParseBursts(const std::string& text, std::array<Burst, SoundShape::kMaxBursts>& bursts,
                        int& count) {
    std::istringstream in(text);
    std::string item;
    count = 0;
    while (std::getline(in, item, ',')) {
        if (count == SoundShape::kMaxBursts) {
            return "at most 4 bursts";
        }
        double v[4];
        const char* at = item.c_str();
        for (int k = 0; k < 4; ++k) {
            char* end = nullptr;
            v[k] = std::strtod(at, &end);
            if (end == at || (k < 3 ? *end != ':' : *end != '\0')) {
                return "a burst is PLACE:LEVEL:HZ:MS";
            }
            at = end + 1;
        }
        bursts[count++] = Burst{v[0], v[1], v[2], v[3] / 1000.0};
    }
    if (count < 2) {
        return "at least 2 bursts";
    }
    for (int k = 1; k < count; ++k) {
        if (bursts[k].place < bursts[k - 1].place) {
            return "bursts in the order they sound";
        }
    }
    return {};
}

WatchParameters SimulatedWatch21600() {
    WatchParameters p;
    p.beatsPerHour = 21600;
    p.rate = 6.0;
    p.amplitude = 275.0;
    p.liftAngle = 52.0;
    p.beatError = 0.4;
    p.noiseDb = -40.0;
    p.seed = 21600;
    return p;
}

WatchParameters SimulatedWatch28800() {
    WatchParameters p;
    p.beatsPerHour = 28800;
    p.rate = -3.0;
    p.amplitude = 290.0;
    p.liftAngle = 52.0;
    p.beatError = 0.2;
    p.noiseDb = -40.0;
    p.seed = 28800;
    return p;
}

} // namespace synth
