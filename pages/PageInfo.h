#pragma once

#include "platform/Image.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace pages {

// One page of the result history, and the pending result that becomes the next page.
struct TPageInfo {
    std::string Annotation; // UTF-8; empty when the page is not annotated
    // Snapshot of the plot at commit time. The history's slot owns it; a copy of the record
    // only refers to it, and callers draw from it without changing it. May be absent.
    std::shared_ptr<platform::Image> Image;
    double DailyRate = 0;  // s/d
    double Amplitude = 0;  // degrees
    double BeatError = 0;  // ms
    bool Valid = false;    // a result has been recorded into this record
    bool Complete = false; // the result covers a complete averaging period
    bool LongTerm = false; // committed from a long-term test; the image is the long-term chart
    // The five bytes between the flags and the beat rate in the state file: zero in pages
    // committed here, kept as read from a file and written back unchanged.
    std::array<std::uint8_t, 5> Reserved{};
    double BeatsPerSecond = 0;        // beats per hour / 3600
    std::int32_t LiftAngle = 0;       // degrees
    std::int32_t AveragingPeriod = 0; // s
    double Timestamp = 0; // local time: days since 1899-12-30 00:00, time of day as fraction
    // The sound the page was measured from: a FLAC file's full path, empty when the page has
    // none. Not in the state file: a saved page's sound is the file "%d.flac" beside its
    // picture.
    std::string Sound;
};

} // namespace pages
