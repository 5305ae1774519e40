// Calendar arithmetic on proleptic Gregorian days (days counted from 1970-01-01) and the two clocks.
#include "host/host_clock.h"

#include <cstdio>

#include "platform/clock.h"

namespace kuzo::host {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int32_t kMinYear = 1601;
constexpr int32_t kMaxYear = 9999;

// Days from 1970-01-01 to the given date; eras of 400 years repeat the calendar exactly.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;  // from March 1st
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0); }

bool IsLeap(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int32_t DaysInMonth(int32_t y, int32_t m) {
  static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

int64_t CivilSeconds(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second) {
  return DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

LocalDateTime CivilFromSeconds(int64_t seconds) {
  const int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const int64_t inDay = seconds - days * kSecondsPerDay;
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  LocalDateTime t;
  t.day = static_cast<int32_t>(dayOfYear - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int32_t>(yearOfEra + era * 400 + (t.month <= 2 ? 1 : 0));
  t.hour = static_cast<int32_t>(inDay / 3600);
  t.minute = static_cast<int32_t>(inDay / 60 % 60);
  t.second = static_cast<int32_t>(inDay % 60);
  // 1970-01-01 was a Thursday (5 in 1 = Sunday ... 7 = Saturday).
  t.weekDay = static_cast<int32_t>((days % 7 + 7 + 4) % 7) + 1;
  return t;
}

std::optional<int64_t> ParseCivilDateTime(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
  if (text.size() != 19 ||
      std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6 || used != 19) {
    return std::nullopt;
  }
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  if (text[10] != ' ') return std::nullopt;
  if (y < kMinYear || y > kMaxYear || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 ||
      s > 59) {
    return std::nullopt;
  }
  return CivilSeconds(y, mo, d, h, mi, s);
}

uint32_t HostClock::SystemMilliseconds() const { return virtual_ ? elapsedMs_() : platform::NowMs(); }

LocalDateTime HostClock::Now() const {
  if (virtual_) {
    const uint32_t ms = elapsedMs_();
    LocalDateTime t = CivilFromSeconds(startSeconds_ + ms / 1000);
    t.millisecond = static_cast<int32_t>(ms % 1000);
    return t;
  }
  const platform::CivilTime c = platform::LocalNow();
  LocalDateTime t;
  t.year = c.year;
  t.month = c.month;
  t.day = c.day;
  t.hour = c.hour;
  t.minute = c.minute;
  t.second = c.second;
  t.millisecond = c.millisecond;
  t.weekDay = c.weekDay + 1;
  return t;
}

}  // namespace kuzo::host
