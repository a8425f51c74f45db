#include "pages/Timestamp.h"

#include <chrono>
#include <ctime>

namespace pages {

double TimestampOf(int year, int month, int day, int hour, int minute, double second) {
    using namespace std::chrono;
    const sys_days date =
        year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                       std::chrono::day{static_cast<unsigned>(day)}};
    const sys_days epoch = 1899y / December / 30;
    const double days = static_cast<double>((date - epoch).count());
    return days + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

double LocalTimestampNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) {
        return 0;
    }
    const auto sinceSecond = now - system_clock::from_time_t(seconds);
    const double fraction = duration<double>(sinceSecond).count();
    return TimestampOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                       local.tm_min, local.tm_sec + fraction);
}

} // namespace pages
