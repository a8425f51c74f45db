#pragma once

#include <cmath>
#include <cstdint>

namespace dsp {

// The median of a run of values found by narrowing a 100-bin histogram up to four times:
// resolves it to 2 sd / 100^4 without sorting or storage beyond the bins. The bins are
// reused by every call, so one instance must not be used re-entrantly.
class HistogramMedian {
public:
    static constexpr int kBins = 100;

    // Median of value(i) for i = first ... last; value is any callable from the index.
    // An even count drops the first value, so a single middle value remains.
    template <class Value> double Median(std::int64_t first, std::int64_t last, Value value) {
        std::int64_t a = first;
        std::int64_t n = last - a + 1;
        if (n <= 0) {
            return 0.0;
        }
        if (n % 2 == 0) {
            ++a;
            --n;
        }
        if (n == 1) {
            return value(a);
        }
        double sum = 0.0, sumSquares = 0.0;
        for (std::int64_t i = a; i <= last; ++i) {
            const double x = value(i);
            sum += x;
            sumSquares += x * x;
        }
        const double mean = sum / n;
        const double variance = (n * sumSquares - sum * sum) / ((n - 1.0) * n);
        if (variance <= 1e-8) {
            return mean;
        }
        const double sd = std::sqrt(variance);
        double lo = mean - sd;
        double width = 2.0 * sd;
        for (int pass = 1; pass <= 4; ++pass) {
            for (int bin = 0; bin < kBins; ++bin) {
                counts_[bin] = 0;
            }
            const double scale = kBins / width;
            std::int64_t below = 0;
            for (std::int64_t i = a; i <= last; ++i) {
                const double x = value(i);
                const double position = std::floor((x - lo) * scale);
                if (position < 0.0) {
                    ++below;
                } else if (position < kBins) { // values above the range are ignored
                    const int bin = static_cast<int>(position);
                    if (++counts_[bin] == 1) {
                        values_[bin] = x;
                    } else if (std::fabs(values_[bin] - x) / width > 1e-9) {
                        values_[bin] = kMixed;
                    }
                }
            }
            std::int64_t need = (n + 1) / 2 - below;
            int k = -1;
            for (int bin = 0; need > 0 && bin < kBins; ++bin) {
                need -= counts_[bin];
                k = bin;
            }
            if (k < 0 || counts_[k] == 0) {
                return lo + width / 2.0;
            }
            if (values_[k] > -100000.0) {
                return values_[k]; // every value of the bin is the same
            }
            lo = lo + k / scale;
            width = 1.0 / scale;
        }
        return lo + width / 2.0;
    }

private:
    static constexpr double kMixed = -1000000.0; // a bin holding different values

    std::int64_t counts_[kBins] = {};
    double values_[kBins] = {};
};

} // namespace dsp
