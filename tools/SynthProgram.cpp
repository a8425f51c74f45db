#include "tools/SynthProgram.h"

#include "dsp/synth/WatchSynthesiser.h"
#include "tools/NumberText.h"
#include "tools/SoundFileWriter.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace tools {

namespace {

constexpr const char* kName = "tickora-synth: ";

// A level in dB, or "none" for off.
std::optional<double> ParseDb(const std::string& text) {
    if (text == "none") {
        return -std::numeric_limits<double>::infinity();
    }
    return ParseNumber(text);
}

} // namespace

std::string SynthUsage() {
    return "Usage: tickora-synth [options] OUT.wav\n"
           "Writes the sound of a synthesised watch (16-bit mono, 44100 Hz) with a known truth.\n"
           "  --preset 21600|28800   start from a simulated watch of the program\n"
           "  --bph N                beat rate, 300 to 86400 beats/hour (21600)\n"
           "  --rate SPD             daily rate, s/d, positive when gaining (0)\n"
           "  --amplitude DEG        balance amplitude, degrees (270)\n"
           "  --lift DEG             lift angle, degrees (52)\n"
           "  --beat-error MS        beat error, ms (0)\n"
           "  --level L              peak of the loudest burst, 0 to 1 of full scale (0.5)\n"
           "  --noise DB             white noise RMS in dB relative to the tick peak, or none\n"
           "  --brown DB             brown (low-frequency) noise RMS in dB relative to the tick\n"
           "                         peak, or none\n"
           "  --room                 a microphone on a real case: beat loudness varying +-30 %,\n"
           "                         an echo 3 to 7 ms later, the case ringing, a distinct tock\n"
           "  --shape BURSTS         the watch's own sound, 2 to 4 bursts PLACE:LEVEL:HZ:MS\n"
           "                         separated by commas: place in the lift (0 the unlocking,\n"
           "                         1 the drop), peak relative to the drop, pitch, decay\n"
           "  --tock-shape BURSTS    the tock's own bursts (as many; default: the tick's)\n"
           "  --ring HZ:LEVEL        the case ringing after the drop (with --shape)\n"
           "  --echo MS:LEVEL        an echo of every burst (with --shape)\n"
           "  --random-shape SEED    a watch sound drawn from the family of watch sounds\n"
           "  --hum DB               mains hum peak in dB relative to the tick peak, or none\n"
           "  --hum-frequency HZ     hum frequency (50)\n"
           "  --clicks N             stray clicks per minute (0)\n"
           "  --click-level DB       stray click peak in dB relative to the tick peak (0)\n"
           "  --clock-error SPD      sound card clock error, s/d (0)\n"
           "  --offset S             time of the first beat (0.05)\n"
           "  --seed N               random seed (1)\n"
           "  --seconds S            length of the sound (30)\n"
           "  --help                 show this text\n"
           "  --version              show the version\n";
}

int RunSynth(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    synth::WatchParameters p;
    double seconds = 30.0;
    std::string file;
    bool tockGiven = false;
    bool shapeGiven = false;
    int tockCount = 0;

    // A preset is the starting point whatever its place on the line.
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "--preset") {
            if (arguments[i + 1] == "21600") {
                p = synth::SimulatedWatch21600();
            } else if (arguments[i + 1] == "28800") {
                p = synth::SimulatedWatch28800();
            } else {
                err << kName << "unknown preset " << arguments[i + 1] << " (21600 or 28800)\n";
                return 2;
            }
        }
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--help" || name == "-h") {
            out << SynthUsage();
            return 0;
        }
        if (name == "--version") {
            out << "tickora-synth " << TICKORA_VERSION << '\n';
            return 0;
        }
        if (name == "--room") {
            p.room = true;
            continue;
        }
        if (name.size() > 1 && name[0] == '-') {
            if (i + 1 == arguments.size()) {
                err << kName << "option " << name << " needs a value\n";
                return 2;
            }
            const std::string& text = arguments[++i];
            if (name == "--shape" || name == "--tock-shape") {
                int count = 0;
                auto& bursts = name == "--shape" ? p.shape.tick : p.shape.tock;
                if (const std::string problem = synth::ParseBursts(text, bursts, count);
                    !problem.empty()) {
                    err << kName << name << ": " << problem << '\n';
                    return 2;
                }
                if (name == "--shape") {
                    shapeGiven = true;
                    p.shape.bursts = count;
                } else {
                    tockGiven = true;
                    tockCount = count;
                }
                continue;
            }
            if (name == "--ring" || name == "--echo") {
                const auto colon = text.find(':');
                const auto first = ParseNumber(text.substr(0, colon));
                const auto second =
                    colon == std::string::npos ? std::nullopt : ParseNumber(text.substr(colon + 1));
                if (!first || !second) {
                    err << kName << name << " needs two numbers, as 1200:0.3\n";
                    return 2;
                }
                if (name == "--ring") {
                    p.shape.ringFrequency = *first;
                    p.shape.ringLevel = *second;
                } else {
                    p.shape.echoDelay = *first / 1000.0;
                    p.shape.echoLevel = *second;
                }
                continue;
            }
            const bool isDb = name == "--noise" || name == "--hum" || name == "--click-level" ||
                              name == "--brown";
            const std::optional<double> value = isDb ? ParseDb(text) : ParseNumber(text);
            if (name != "--preset" && !value) {
                err << kName << "option " << name << ": not a number: " << text << '\n';
                return 2;
            }
            const double v = value.value_or(0.0);
            if (name == "--preset") {
                // applied above
            } else if (name == "--bph" || name == "--seed" || name == "--random-shape") {
                if (v != std::floor(v) || v < 0.0 || v > 1e15) {
                    err << kName << "option " << name << " needs a whole number\n";
                    return 2;
                }
                if (name == "--bph") {
                    p.beatsPerHour = static_cast<int>(std::min(v, 1e9));
                } else if (name == "--random-shape") {
                    p.shape = synth::RandomShape(static_cast<std::uint64_t>(v));
                } else {
                    p.seed = static_cast<std::uint64_t>(v);
                }
            } else if (name == "--rate") {
                p.rate = v;
            } else if (name == "--amplitude") {
                p.amplitude = v;
            } else if (name == "--lift") {
                p.liftAngle = v;
            } else if (name == "--beat-error") {
                p.beatError = v;
            } else if (name == "--level") {
                p.tickLevel = v;
            } else if (name == "--noise") {
                p.noiseDb = v;
            } else if (name == "--brown") {
                p.brownNoiseDb = v;
            } else if (name == "--hum") {
                p.humDb = v;
            } else if (name == "--hum-frequency") {
                p.humFrequency = v;
            } else if (name == "--clicks") {
                p.clicksPerMinute = v;
            } else if (name == "--click-level") {
                p.clickDb = v;
            } else if (name == "--clock-error") {
                p.clockError = v;
            } else if (name == "--offset") {
                p.startOffset = v;
            } else if (name == "--seconds") {
                if (v <= 0.0 || v > 86400.0) {
                    err << kName << "--seconds must be above 0 and at most 86400\n";
                    return 2;
                }
                seconds = v;
            } else {
                err << kName << "unknown option " << name << " (see --help)\n";
                return 2;
            }
        } else if (!file.empty()) {
            err << kName << "one output file, please\n";
            return 2;
        } else {
            file = name;
        }
    }
    if (file.empty()) {
        err << kName << "no output file given (see --help)\n";
        return 2;
    }
    if (p.shape.bursts == 0 &&
        (tockGiven || p.shape.ringFrequency > 0.0 || p.shape.echoDelay > 0.0)) {
        err << kName << "--tock-shape, --ring and --echo need --shape\n";
        return 2;
    }
    if (!tockGiven && p.shape.bursts > 0 && shapeGiven) {
        p.shape.tock = p.shape.tick;
    } else if (tockGiven && tockCount != p.shape.bursts) {
        err << kName << "--tock-shape needs as many bursts as --shape\n";
        return 2;
    }
    if (const std::string problem = synth::CheckWatchParameters(p); !problem.empty()) {
        err << kName << problem << '\n';
        return 2;
    }

    synth::WatchSynthesiser synthesiser(p);
    SoundFileWriter writer;
    if (!writer.Open(file, synth::WatchSynthesiser::kSampleRate)) {
        err << kName << file << ": " << writer.Error() << '\n';
        return 2;
    }
    std::int16_t buffer[4096];
    auto remaining = static_cast<std::int64_t>(std::llround(seconds * 44100.0));
    while (remaining > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(remaining, 4096));
        synthesiser.Generate(buffer, n);
        if (!writer.Write(buffer, n)) {
            err << kName << file << ": " << writer.Error() << '\n';
            return 2;
        }
        remaining -= static_cast<std::int64_t>(n);
    }
    if (!writer.Close()) {
        err << kName << file << ": " << writer.Error() << '\n';
        return 2;
    }
    return 0;
}

} // namespace tools
