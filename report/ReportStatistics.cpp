#include "report/ReportStatistics.h"

#include "report/ReportTexts.h"
#include "report/ValueTexts.h"

#include <limits>

namespace report {

namespace {

void Add(QuantityStatistics& quantity, double value, std::int32_t weight) {
    quantity.sum += value;
    quantity.weightedSum += weight * value;
    if (value < quantity.minimum)
        quantity.minimum = value;
    if (value > quantity.maximum)
        quantity.maximum = value;
}

} // namespace

ReportStatistics ComputeStatistics(const std::vector<TReportRow>& rows) {
    ReportStatistics statistics;
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    for (QuantityStatistics* q : {&statistics.rate, &statistics.amplitude, &statistics.beatError}) {
        q->minimum = kInfinity;
        q->maximum = -kInfinity;
    }
    for (const TReportRow& row : rows) {
        if (row.Weight <= 0)
            continue;
        ++statistics.count;
        statistics.totalWeight += row.Weight;
        Add(statistics.rate, row.Page.DailyRate, row.Weight);
        Add(statistics.amplitude, row.Page.Amplitude, row.Weight);
        Add(statistics.beatError, row.Page.BeatError, row.Weight);
    }
    return statistics;
}

ResultTexts StatisticsTexts(const ReportStatistics& statistics, const FieldWidths& widths) {
    ResultTexts texts;
    for (int r = 0; r < kResultRowCount; ++r)
        texts[r][0] = std::string(kResultCaptions[r]);
    if (statistics.count <= 0)
        return texts;

    const auto rateText = [&](double value, bool withSign) {
        return PadLeft(withSign ? RateText(value) : UnsignedRateText(value), widths[kRateColumn]);
    };
    const auto amplitudeText = [&](double value) {
        return PadLeft(AmplitudeText(value), widths[kAmplitudeColumn]);
    };
    const auto beatErrorText = [&](double value) {
        return PadLeft(BeatErrorText(value), widths[kBeatErrorColumn]);
    };
    const auto fill = [&](int r, double rate, double amplitude, double beatError, bool signedRate) {
        texts[r][1] = rateText(rate, signedRate);
        texts[r][2] = amplitudeText(amplitude);
        texts[r][3] = beatErrorText(beatError);
    };

    const double n = statistics.count;
    const double w = static_cast<double>(statistics.totalWeight);
    const ReportStatistics& s = statistics;
    fill(kAverageRow, s.rate.sum / n, s.amplitude.sum / n, s.beatError.sum / n, true);
    if (statistics.totalWeight > 0)
        fill(kWeightedAverageRow, s.rate.weightedSum / w, s.amplitude.weightedSum / w,
             s.beatError.weightedSum / w, true);
    fill(kMinimumRow, s.rate.minimum, s.amplitude.minimum, s.beatError.minimum, true);
    fill(kMaximumRow, s.rate.maximum, s.amplitude.maximum, s.beatError.maximum, true);
    fill(kDeviationRow, s.rate.maximum - s.rate.minimum, s.amplitude.maximum - s.amplitude.minimum,
         s.beatError.maximum - s.beatError.minimum, false);
    return texts;
}

} // namespace report
