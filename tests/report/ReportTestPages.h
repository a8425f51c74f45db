#pragma once

#include "pages/PageInfo.h"
#include "pages/Timestamp.h"

#include <string>

namespace report::testing {

// A page as a test describes it: position, results (s/d, degrees, ms) and flags.
inline pages::TPageInfo Page(const std::string& annotation, double rate, double amplitude,
                             double beatError, bool complete = true, bool longTerm = false) {
    pages::TPageInfo page;
    page.Annotation = annotation;
    page.DailyRate = rate;
    page.Amplitude = amplitude;
    page.BeatError = beatError;
    page.Valid = true;
    page.Complete = complete;
    page.LongTerm = longTerm;
    page.BeatsPerSecond = 8.0;
    page.LiftAngle = 52;
    page.AveragingPeriod = 20;
    page.Timestamp = pages::TimestampOf(2024, 3, 15, 10, 0, 0);
    return page;
}

} // namespace report::testing
