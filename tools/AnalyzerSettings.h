#pragma once

namespace tools {

// The settings the analysis reads, with the program's defaults.
struct AnalyzerSettings {
    int rate = 0;            // beats per hour, 0 = AUTO
    int liftAngle = 52;      // degrees
    int period = 20;         // s, averaging period
    int settling = 5;        // s, calibration length
    int filter = 0;          // 0 None, 1 Wide, 2 Medium, 3 Narrow
    double correction = 0.0; // s/d, the sound card's rate correction
    // After a failed calibration, calibrate again on the sound that follows, as a watchmaker
    // presses Start again once the watch sits on the microphone: a recording may begin with
    // the watch being placed. The program itself stops and says so, and so do the tables.
    bool calibrateAgain = false;
};

} // namespace tools
