#pragma once

namespace pages {

// Time stamps count days since 1899-12-30 00:00 with the time of day as the fraction.
double TimestampOf(int year, int month, int day, int hour, int minute, double second);

// The current local date and time as a time stamp.
double LocalTimestampNow();

} // namespace pages
