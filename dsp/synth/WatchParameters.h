#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>

namespace synth {

// One sound of a beat: a decaying sine, loudest at its start.
struct Burst {
    double place = 0.0;        // in the lift: 0 the unlocking (the beat's time), 1 the drop
    double level = 1.0;        // peak, relative to the tick's drop
    double frequency = 3000.0; // Hz
    double decay = 0.3e-3;     // s, time constant of the envelope
};

// What a watch sounds like: two to four bursts per beat, a tick's and a tock's, and what the
// case adds, its ringing after the drop and an echo of every burst. With no bursts the
// synthesiser makes its own built-in sound.
struct SoundShape {
    static constexpr int kMaxBursts = 4;
    int bursts = 0;
    std::array<Burst, kMaxBursts> tick{};
    std::array<Burst, kMaxBursts> tock{};
    double ringFrequency = 0.0; // Hz, 0 for none
    double ringLevel = 0.0;     // relative to the drop
    double echoDelay = 0.0;     // s after each burst, 0 for none
    double echoLevel = 0.0;     // relative to the burst
};

// A shape drawn from the family of watch sounds: the unlocking at 0.15 to 1 of the drop,
// impulses at 0.1 to 0.8, pitches from 1.5 to 7 kHz, decays from 0.1 to 1.5 ms, a tock
// unlike its tick, and a ringing case (0.5 to 3 kHz) or an echo half the time each.
SoundShape RandomShape(std::uint64_t seed);

// Reads "PLACE:LEVEL:HZ:MS,..." (two to four bursts, places rising from 0 to 1); empty with
// the reason when the text is no shape.
std::string ParseBursts(const std::string& text, std::array<Burst, SoundShape::kMaxBursts>& bursts,
                        int& count);

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
    SoundShape shape;          // the watch's own sound; none: the built-in one
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
