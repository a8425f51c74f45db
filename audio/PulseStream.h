#pragma once

#include "audio/SoundCardStream.h"

#include <mutex>
#include <string>

struct pa_simple;

namespace tickora {

// A source of the sound server, read through its client library's simple API as 16-bit mono
// at the rate asked for: the server converts. Every Start connects afresh, so a server that
// has restarted since the last run is met as it is now; a connection the server drops ends
// the read at once with an error that says so.
//
// Threads as SoundCardStream says: Read, and the Stop that ends a run, on the backend
// thread; the rest on the GUI thread while the backend is parked.
class PulseStream final : public SoundCardStream {
public:
    // name: the source's name on the server; listedName: the entry the user chose it by.
    PulseStream(std::string name, std::string listedName);
    ~PulseStream() override;
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    int Probe() override { return 0; }
    bool Supports(int channels, double rate) override;
    double DefaultRate() const override { return 44100.0; } // samples/s
    int MaxChannels() const override { return 1; }
    int Open(int channels, double rate, int framesPerRead) override;
    int Start() override;
    int Stop() override;
    void Close() override;
    int Read(std::int16_t* frames, int count) override;
    std::string ErrorText(int error) const override;

private:
    int Connect();

    std::string name_;
    std::string listedName_;
    double rate_ = 0.0; // samples/s
    pa_simple* stream_ = nullptr;
};

} // namespace tickora
