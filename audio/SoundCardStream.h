#pragma once

#include <cstdint>
#include <string>

namespace tickora {

// One sound card's input as SoundCardInput uses it: a blocking read of interleaved 16-bit
// frames. PortAudioStream is the real one; tests put in cards of any rate, or one that
// stops answering. Error codes are the stream's own; ErrorText describes them.
//
// Threads: Read runs on the backend thread, everything else on the GUI thread while no
// read is under way, except after a stall, when the input gives up the stream with its
// read still pending and the backend thread closes it once the read has returned.
class SoundCardStream {
public:
    virtual ~SoundCardStream() = default;

    // 0, or why the card cannot be used (gone, or no such card).
    virtual int Probe() = 0;
    // Whether the card records channels at rate (samples/s).
    virtual bool Supports(int channels, double rate) = 0;
    virtual double DefaultRate() const = 0; // samples/s
    virtual int MaxChannels() const = 0;

    // Opens the card for reads of framesPerRead frames; 0 or an error code.
    virtual int Open(int channels, double rate, int framesPerRead) = 0;
    virtual int Start() = 0;
    virtual int Stop() = 0;
    virtual void Close() = 0;

    // Backend thread: the next count frames (channels x count samples). Overflows the card
    // had before this read are not errors: the sound read is good.
    virtual int Read(std::int16_t* frames, int count) = 0;

    // Any thread: a read under way (or the next one) ends early, what it lacks left silent.
    // Start clears it. Streams whose reads never wait long need not do anything.
    virtual void Interrupt() {}

    // The text for an error code, with the sound system's own reason when it gave one.
    virtual std::string ErrorText(int error) const = 0;
};

} // namespace tickora
