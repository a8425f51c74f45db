#include "audio/SystemInputs.h"

#include "audio/PortAudioStream.h"
#ifdef TICKORA_HAVE_PULSE
#include "audio/PulseStream.h"
#endif
#include "audio/RecordingInput.h"
#include "audio/SoundCardInput.h"
#include "settings/DataFolder.h"
#include "settings/DeviceNames.h"

#ifdef TICKORA_HAVE_SYNTH
#include "audio/SimulatedWatchInput.h"
#include "dsp/synth/WatchParameters.h"
#endif

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

namespace tickora {

namespace {

struct SimulatedWatch {
    const char* name;
#ifdef TICKORA_HAVE_SYNTH
    synth::WatchParameters (*parameters)();
#endif
};

#ifdef TICKORA_HAVE_SYNTH
constexpr SimulatedWatch kSimulatedWatches[] = {
    {"Simulated watch 21600 bph", &synth::SimulatedWatch21600},
    {"Simulated watch 28800 bph", &synth::SimulatedWatch28800},
};
constexpr int kSimulatedWatchCount = 2;
#else
constexpr SimulatedWatch kSimulatedWatches[] = {{""}};
constexpr int kSimulatedWatchCount = 0;
#endif

// WAV recordings, and FLAC: a page's own sound copied into the folder plays as an input.
bool IsSoundFileName(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto endsWith = [&lower](const std::string& ending) {
        return lower.size() > ending.size() &&
               lower.compare(lower.size() - ending.size(), ending.size(), ending) == 0;
    };
    return endsWith(".wav") || endsWith(".flac");
}

} // namespace

SystemInputs::SystemInputs() = default;

SystemInputs::SystemInputs(std::string recordingsFolder)
    : recordingsFolder_(std::move(recordingsFolder)) {}

std::string SystemInputs::RecordingsFolder() const {
    return recordingsFolder_.empty() ? DataFilePath("Recordings") : recordingsFolder_;
}

std::vector<std::string> SystemInputs::RecordingFiles(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        std::error_code statusError;
        if (IsSoundFileName(name) && entries->is_regular_file(statusError)) {
            files.push_back(name);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

SystemInputs::~SystemInputs() = default;

PortAudioSession& SystemInputs::PortAudio() {
    if (!portAudio_) {
        portAudio_.emplace();
    }
    return *portAudio_;
}

std::unique_ptr<AudioInput> SystemInputs::SoundCard(int number) {
    return std::make_unique<SoundCardInput>(
        std::make_unique<PortAudioStream>(PortAudio().InputDeviceIndex(number), number == -1));
}

const PulseSourceList& SystemInputs::ServerSources() {
    if (!serverSources_) {
#ifdef TICKORA_HAVE_PULSE
        serverSources_ = ListPulseSources();
#else
        serverSources_.emplace();
#endif
    }
    return *serverSources_;
}

int SystemInputs::ListInputs(std::vector<std::string>& names) {
    PortAudioSession& session = PortAudio();
    const int cards = session.InputDeviceCount();
    for (int number = 0; number < cards; ++number) {
        names.push_back(session.InputDeviceName(number));
    }
    // The server's sources come and go (a headset connected, a server restarted): asked
    // afresh at every listing.
    serverSources_.reset();
    const PulseSourceList& server = ServerSources();
    for (const PulseSource& source : server.sources) {
        names.push_back(ListedDeviceName(source.description, server.soundSystem));
    }
    const int devices = cards + static_cast<int>(server.sources.size());
    for (int i = 0; i < kSimulatedWatchCount; ++i) {
        names.emplace_back(kSimulatedWatches[i].name);
    }
    for (const std::string& file : RecordingFiles(RecordingsFolder())) {
        names.push_back(kRecordingPrefix + file);
    }
    return devices;
}

std::unique_ptr<AudioInput> SystemInputs::CreateInput(int device) {
    const int cards = PortAudio().InputDeviceCount();
    if (device < cards) {
        return SoundCard(device); // -1 and bad numbers included
    }
    const PulseSourceList& server = ServerSources();
    const int sources = static_cast<int>(server.sources.size());
    if (device < cards + sources) {
#ifdef TICKORA_HAVE_PULSE
        const PulseSource& source = server.sources[static_cast<std::size_t>(device - cards)];
        return std::make_unique<SoundCardInput>(std::make_unique<PulseStream>(
            source.name, ListedDeviceName(source.description, server.soundSystem)));
#endif
    }
    int builtIn = device - cards - sources;
#ifdef TICKORA_HAVE_SYNTH
    if (builtIn < kSimulatedWatchCount) {
        return std::make_unique<SimulatedWatchInput>(kSimulatedWatches[builtIn].parameters());
    }
#endif
    builtIn -= kSimulatedWatchCount;
    const std::string folder = RecordingsFolder();
    const std::vector<std::string> files = RecordingFiles(folder);
    if (builtIn < static_cast<int>(files.size())) {
        return std::make_unique<RecordingInput>(
            (std::filesystem::path(folder) / files[static_cast<std::size_t>(builtIn)]).string());
    }
    // Beyond the list: PortAudio reports it as an invalid device.
    return SoundCard(device);
}

} // namespace tickora
