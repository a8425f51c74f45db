#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace synth {

// The truth a synthesised watch is made from. Levels are relative to 16-bit full scale;
// noise, hum and stray clicks are given in dB relative to the peak of the loudest burst
// of a beat (minus infinity = off).
struct WatchParameters {
    int beatsPerHour = 21600;
    double rate = 0.0;        // s/d, positive when the watch gains
    double amplitude = 270.0; // degrees
    double liftAngle = 52.0;  // degrees
    double beatError = 0.0;   // ms, half the difference between the tick and tock intervals
    double tickLevel = 0.5;   // peak of the loudest burst, fraction of full scale
    double noiseDb = -std::numeric_limits<double>::infinity(); // white noise RMS, dB
    double humDb = -std::numeric_limits<double>::infinity();   // mains hum peak, dB
    double humFrequency = 50.0;                                // Hz
    double clicksPerMinute = 0.0; // stray clicks (knocks, handling), Poisson distributed
    double clickDb = 0.0;         // peak of a stray click, dB
    // The sound card's clock error: it takes 44100 x (86400 + clockError) / 86400 samples
    // per true second, as a rate correction of the same value assumes.
    double clockError = 0.0; // s/d
    // What a microphone against a real case hears: beat loudness varying by about +-30 %, an
    // echo 3 to 7 ms after each burst, the case ringing at a lower pitch for several ms, and a
    // tock that sounds clearly unlike its tick. Off: the plain three bursts.
    bool room = false;
    double brownNoiseDb = -std::numeric_limits<double>::infinity(); // low-frequency noise RMS, dB
    double startOffset = 0.05; // s from the first sample to the first beat's first sound
    std::uint64_t seed = 1;
};

// Empty when the parameters can be synthesised, else a one-line reason.
std::string CheckWatchParameters(const WatchParameters& parameters);

// The built-in simulated watches the program offers as inputs. Each has a fixed truth:
// 21600 bph: +6.0 s/d, 275 degrees at lift angle 52, beat error 0.4 ms, noise -40 dB.
// 28800 bph: -3.0 s/d, 290 degrees at lift angle 52, beat error 0.2 ms, noise -40 dB.
WatchParameters SimulatedWatch21600();
WatchParameters SimulatedWatch28800();

} // namespace synth
