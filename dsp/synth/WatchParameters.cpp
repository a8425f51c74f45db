#include "dsp/synth/WatchParameters.h"

#include <cmath>

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
