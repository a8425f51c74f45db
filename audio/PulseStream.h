#pragma once

#include "audio/SampleRing.h"
#include "audio/SoundCardStream.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

namespace tickora {

// A source of the sound server, recorded through its client library as 16-bit mono at the
// rate asked for (the server converts). The library's own thread hands each fragment to a
// callback that copies it into a ring, and Read takes it from there, as PortAudioStream does:
// a read never waits on the server, so a server that stops answering ends it after
// kSilenceLimit with kNoSoundArrived, and one that goes away ends it at once with an error
// that says so. Every Start connects afresh (Open only tries it), without ever starting a
// server, so a server restarted since the last run is met as it is now.
//
// Threads as SoundCardStream says: Read, and the Stop that ends a run, on the backend
// thread; the rest on the GUI thread while the backend is parked.
class PulseStream final : public SoundCardStream {
public:
    static constexpr std::chrono::milliseconds kSilenceLimit{3000};
    static constexpr std::chrono::milliseconds kConnectLimit{3000}; // for the server's answer

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
    void Interrupt() override;
    std::string ErrorText(int error) const override;

private:
    // What the library's thread touches: written by its callbacks, read by Read.
    struct Ring : SampleRing {
        std::atomic<int> failure{0}; // the library's error that ended the connection
    };

    int Connect();
    void Disconnect();
    int ContextError();
    // Waits, the library's thread running, until ready() or failed(); false when failed or
    // after kConnectLimit.
    template <typename Ready, typename Failed> bool AwaitServer(Ready ready, Failed failed);
    // The library's thread.
    static void ContextChanged(pa_context* context, void* ring);
    static void StreamChanged(pa_stream* stream, void* ring);
    static void Arrived(pa_stream* stream, std::size_t bytes, void* ring);

    std::string name_;
    std::string listedName_;
    double rate_ = 0.0; // samples/s
    Ring ring_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::atomic<bool> interrupted_{false};
};

} // namespace tickora
