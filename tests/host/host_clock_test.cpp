// The calendar arithmetic behind the date variables, the --date text, and the virtual clock that
// makes headless runs repeat whatever the machine's time and time zone.
#include "host/host_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kuzo::host {
namespace {

TEST(HostClock, CalendarDaysWeekdaysAndLeapYears) {
  struct Case {
    int32_t y, m, d, weekDay;
  } cases[] = {{1970, 1, 1, 5}, {2000, 1, 1, 7}, {2000, 2, 29, 3}, {2024, 3, 1, 6},
               {1601, 1, 1, 2}, {1899, 12, 30, 7}, {9999, 12, 31, 6}, {2100, 3, 1, 2}};
  for (const Case& c : cases) {
    const int64_t s = CivilSeconds(c.y, c.m, c.d, 13, 14, 15);
    const LocalDateTime t = CivilFromSeconds(s);
    EXPECT_EQ(t.year, c.y);
    EXPECT_EQ(t.month, c.m);
    EXPECT_EQ(t.day, c.d);
    EXPECT_EQ(t.weekDay, c.weekDay) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(t.hour, 13);
    EXPECT_EQ(t.minute, 14);
    EXPECT_EQ(t.second, 15);
  }
  EXPECT_EQ(CivilSeconds(2000, 1, 1, 0, 0, 0), kDefaultVirtualStart);
  // The day after 2100-02-28 is March 1st: 2100 is not a leap year.
  EXPECT_EQ(CivilFromSeconds(CivilSeconds(2100, 2, 28, 0, 0, 0) + 86400).month, 3);
}

TEST(HostClock, DateTextIsStrict) {
  EXPECT_EQ(ParseCivilDateTime("2024-02-29 23:59:58"), CivilSeconds(2024, 2, 29, 23, 59, 58));
  for (const char* bad : {"2023-02-29 00:00:00", "2024-13-01 00:00:00", "2024-01-01 24:00:00", "2024-01-01",
                          "2024-01-01T00:00:00", "2024-1-01 00:00:000", " 2024-01-01 00:00:0", "1600-12-31 00:00:00",
                          "+024-01-01 00:00:00", "2024-01-01 00:60:00"}) {
    EXPECT_FALSE(ParseCivilDateTime(bad).has_value()) << bad;
  }
}

TEST(HostClock, VirtualClockStartsAtItsDateWhateverTheTimeZone) {
  uint32_t ms = 0;
  const HostClock clock(kDefaultVirtualStart, [&ms] { return ms; });
  setenv("TZ", "Pacific/Kiritimati", 1);  // +14:00: a local reading would be on another day
  LocalDateTime t = clock.Now();
  EXPECT_EQ(t.year, 2000);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.weekDay, 7);
  EXPECT_EQ(clock.SystemMilliseconds(), 0u);
  ms = 90061250;  // one day, one hour, one minute, one second and a quarter
  t = clock.Now();
  EXPECT_EQ(t.day, 2);
  EXPECT_EQ(t.hour, 1);
  EXPECT_EQ(t.minute, 1);
  EXPECT_EQ(t.second, 1);
  EXPECT_EQ(t.millisecond, 250);
  EXPECT_EQ(t.weekDay, 1);
  EXPECT_EQ(clock.SystemMilliseconds(), 90061250u);
  unsetenv("TZ");
}

TEST(HostClock, MachineClockReadsAPlausibleDate) {
  const HostClock clock;
  const LocalDateTime t = clock.Now();
  EXPECT_GE(t.year, 2020);
  EXPECT_GE(t.weekDay, 1);
  EXPECT_LE(t.weekDay, 7);
}

}  // namespace
}  // namespace kuzo::host
