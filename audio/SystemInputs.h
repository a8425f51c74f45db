#pragma once

#include "audio/InputCatalog.h"
#include "audio/PortAudioSession.h"
#include "audio/PulseSources.h"

#include <optional>
#include <string>
#include <vector>

namespace tickora {

// The inputs of this machine, by device number:
//   -1                 the system's default input ("Microsoft Sound Mapper - Input")
//   0 ... n-1          the PortAudio devices that record, in PortAudio's order
//   n ... n+m-1        the sound server's sources (PulseAudio, or PipeWire serving it), by
//                      their descriptions, as the last listing found them
//   then two           the simulated watches at 21600 and 28800 bph (when built in)
//   after them         the WAV files of the data folder's "Recordings" folder, by name
// The numbers follow the device list, whose position minus one the settings store; the
// simulated watches keep theirs as long as the sound cards stay the same.
class SystemInputs : public InputCatalog {
public:
    // Recordings from the data folder's "Recordings" folder.
    SystemInputs();
    // Recordings from another folder (tests).
    explicit SystemInputs(std::string recordingsFolder);
    ~SystemInputs() override;
    SystemInputs(const SystemInputs&) = delete;
    SystemInputs& operator=(const SystemInputs&) = delete;

    int ListInputs(std::vector<std::string>& names) override;
    std::unique_ptr<AudioInput> CreateInput(int device) override;

    // The file names of the WAV files in folder (".wav" in any case), sorted; none when
    // the folder is missing or unreadable.
    static std::vector<std::string> RecordingFiles(const std::string& folder);

    static constexpr const char* kRecordingPrefix = "Recording: ";

private:
    std::string RecordingsFolder() const;
    // PortAudio, initialised at the first listing or open and kept until the end: it finds
    // the cards once, and every later list and open uses that same view of them.
    PortAudioSession& PortAudio();
    std::unique_ptr<AudioInput> SoundCard(int number);
    // The server's sources of the last listing; listed now when there was none.
    const PulseSourceList& ServerSources();

    std::optional<PortAudioSession> portAudio_;
    std::optional<PulseSourceList> serverSources_;

    std::string recordingsFolder_; // empty: the data folder's
};

} // namespace tickora
