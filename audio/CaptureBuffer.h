#pragma once

#include <cstdint>

namespace tickora {

// The fixed capture format and ring: 16-bit signed mono PCM, 20 buffers of 4096 samples.
inline constexpr int kCaptureSampleRate = 44100;   // samples/s
inline constexpr int kCaptureBufferCount = 20;     // about 1.86 s of slack for the handler
inline constexpr int kCaptureBufferSamples = 4096; // about 92.9 ms at 44100 samples/s
inline constexpr int kCaptureBufferBytes = kCaptureBufferSamples * 2;

// The sample format the device is opened with: PCM, one channel, 16 bits.
struct AudioFormat {
    int formatTag = 1; // PCM
    int channels = 1;
    int samplesPerSecond = kCaptureSampleRate;
    int averageBytesPerSecond = kCaptureSampleRate * 2;
    int blockAlign = 2;
    int bitsPerSample = 16;
    int extraSize = 0;

    static AudioFormat Pcm16Mono(int sampleRate) {
        AudioFormat format;
        format.samplesPerSecond = sampleRate;
        format.averageBytesPerSecond = sampleRate * 2;
        return format;
    }
};

// One recording buffer of the ring. Its block is allocated when the device opens and freed
// when it closes; between those it is reused for every round trip through the backend.
struct CaptureBuffer {
    static constexpr std::uint32_t kDone = 1;     // flags bit 0: filled and handed back
    static constexpr std::uint32_t kPrepared = 2; // readied for the open device

    std::int16_t* data = nullptr;    // kCaptureBufferSamples samples; null while closed
    std::uint32_t bufferLength = 0;  // bytes
    std::uint32_t bytesRecorded = 0; // bytes; less than bufferLength when a stop cut it short
    std::uint32_t flags = 0;
    int number = 0; // 1 ... 20

    int SampleCount() const { return static_cast<int>(bytesRecorded / 2); }
};

} // namespace tickora
