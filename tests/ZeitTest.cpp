#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "util/Clock.h"
#include "util/Zeit.h"

namespace {

using namespace std::chrono;

// A text in a heap block of exactly its own size, so that reading past its
// terminator is caught by the address sanitizer.
struct ExactText {
  explicit ExactText(const char* s) : buf(s, s + std::strlen(s) + 1) {}
  const char* get() const { return buf.data(); }
  std::vector<char> buf;
};

std::string Stamp(const year_month_day& ymd, int secondOfDay) {
  char s[32];
  std::snprintf(s, sizeof s, "%04d%02u%02u%02d%02d%02d", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), secondOfDay / 3600,
                secondOfDay / 60 % 60, secondOfDay % 60);
  return s;
}

}  // namespace

// Every day from 1970-01-01 to 2037-12-31 against the calendar of <chrono>.
TEST(Zeit, DayCountAgreesWithGregorianCalendar) {
  const sys_days epoch = sys_days{1970y / January / 1};
  const sys_days end = sys_days{2037y / December / 31};
  int i = 0;
  for (sys_days sd = epoch; sd <= end; sd += days{1}, ++i) {
    const year_month_day ymd{sd};
    const int y = static_cast<int>(ymd.year());
    const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
    const int d = static_cast<int>(static_cast<unsigned>(ymd.day()));
    const int64_t n = (sd - epoch).count();
    const int tod = (i * 7919) % 86400;  // a different time of day every day
    ASSERT_EQ(Tage_Zwischen(1, 1, 1970, d, m, y), n) << y << "-" << m << "-" << d;
    ASSERT_EQ(Datum_Sekunden(d, m, y), n * 86400) << y << "-" << m << "-" << d;
    ASSERT_EQ(Tag_ImJahr(d, m, y), (sd - sys_days{ymd.year() / January / 1}).count() + 1);
    ASSERT_EQ(Tage_ImMonat(m, y), static_cast<int>(static_cast<unsigned>((ymd.year() / ymd.month() / std::chrono::last).day())));
    const std::string ts = Stamp(ymd, tod);
    ASSERT_EQ(Zeit_Differenz(ts.c_str(), "19700101000000"), n * 86400 + tod) << ts;
  }
}

TEST(Zeit, DayCountFarFromTheEpochAndBeforeIt) {
  // Years from 1 on follow the Gregorian calendar; dates before 1970 give the
  // absolute distance, so they count upward again.
  const sys_days epoch = sys_days{1970y / January / 1};
  struct Case {
    int d, m, y;
  } cases[] = {{1, 1, 1}, {31, 12, 1599}, {1, 3, 1600}, {28, 2, 1900}, {1, 3, 1900}, {31, 12, 1969},
               {1, 1, 1969}, {29, 2, 2000}, {1, 3, 2100}, {29, 2, 2400}, {31, 12, 9999}};
  for (const Case& c : cases) {
    const sys_days sd{year{c.y} / c.m / c.d};
    const int64_t n = (sd - epoch).count();
    EXPECT_EQ(Tage_Zwischen(1, 1, 1970, c.d, c.m, c.y), n < 0 ? -n : n) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(Tage_Zwischen(c.d, c.m, c.y, 1, 1, 1970), n < 0 ? -n : n);
  }
  EXPECT_EQ(Datum_Sekunden(31, 12, 1969), 86400);
  EXPECT_EQ(Datum_Sekunden(1, 1, 1969), 365 * 86400);
  EXPECT_EQ(Zeit_Differenz("19691231000000", "19700101000000"), 86400);
}

TEST(Zeit, DifferenceOfTimestamps) {
  struct Case {
    const char* a;
    const char* b;
    int32_t seconds;
  } cases[] = {
      {"20041027080000", "20041026220000", 36000},
      {"20041026220000", "20041027080000", -36000},
      {"20040301000000", "20040228000000", 172800},
      {"21000301000000", "21000228000000", 86400},
      {"20000301000000", "20000228000000", 172800},
      {"20050101000000", "20041231240000", 0},  // 24:00:00 is the next day's 00:00:00
      {"20041231240000", "20041231000000", 86400},
      {"20041026000130", "20041026000000", 90},
      {"20380119031407", "19700101000000", 2147483647},
      {"20041026220510999", "20041026220510", 0},  // only 14 characters count
  };
  for (const Case& c : cases) EXPECT_EQ(Zeit_Differenz(c.a, c.b), c.seconds) << c.a << " - " << c.b;
  EXPECT_EQ(Datum_Sekunden(19, 1, 2038) + Uhrzeit_Sekunden("03:14:07"), INT32_MAX);
}

TEST(Zeit, DifferenceBeyond32BitsIsHeldAtTheLimit) {
  EXPECT_EQ(Zeit_Differenz("99991231235959", "19700101000000"), INT32_MAX);
  EXPECT_EQ(Zeit_Differenz("19700101000000", "99991231235959"), INT32_MIN);
}

// A timestamp that is not 14 digits with a month of 1 to 12 measures nothing.
TEST(Zeit, MalformedTimestampGivesNoDifference) {
  const char* bad[] = {"", "2004102622000", "2004", "2004102622000x", "2004-10-26 22:", "20041326220000",
                       "20040026220000", " 20041026220000"};
  for (const char* s : bad) {
    const ExactText t(s);
    EXPECT_EQ(Zeit_Differenz(t.get(), "20041026000000"), 0) << s;
    EXPECT_EQ(Zeit_Differenz("20041026000000", t.get()), 0) << s;
  }
  EXPECT_EQ(Zeit_Differenz(nullptr, "20041026000000"), 0);
  EXPECT_EQ(Zeit_Differenz("20041026000000", nullptr), 0);
}

TEST(Zeit, SplitTimestamp) {
  char datum[11] = "xxxxxxxxxx";
  char uhrzeit[9] = "xxxxxxxx";
  Zeit_Zerlegen("20041026220510", datum, uhrzeit);
  EXPECT_STREQ(datum, "26.10.2004");
  EXPECT_STREQ(uhrzeit, "22:05:10");
  for (const char* s : {"", "2004102622051", "20041026a20510"}) {
    const ExactText t(s);
    Zeit_Zerlegen(t.get(), datum, uhrzeit);
    EXPECT_STREQ(datum, "") << s;
    EXPECT_STREQ(uhrzeit, "") << s;
  }
}

TEST(Zeit, SecondsOfTimeText) {
  struct Case {
    const char* text;
    int32_t seconds;
  } cases[] = {
      {"00:00:00", 0},     {"23:59:59", 86399}, {"24:00:00", 86400}, {"25:00:00", 90000},
      {"", 0},             {"12", 43200},       {"12:3", 43380},     {"12:30:0", 45000},
      {"1x:0y:5z", 3605},  {"ab:cd:ef", 0},
  };
  for (const Case& c : cases) {
    const ExactText t(c.text);
    EXPECT_EQ(Uhrzeit_Sekunden(t.get()), c.seconds) << c.text;
  }
  EXPECT_EQ(Uhrzeit_Sekunden(nullptr), 0);
}

TEST(Zeit, TwoDigitYearsAreWidened) {
  struct Case {
    int shortYear, fullYear;
  } cases[] = {{0, 2000}, {4, 2004}, {69, 2069}, {70, 1970}, {99, 1999}, {100, 100}};
  for (const Case& c : cases) {
    const int64_t days = (sys_days{year{c.fullYear} / March / 1} - sys_days{1970y / January / 1}).count();
    EXPECT_EQ(Datum_Sekunden(1, 3, c.shortYear), (days < 0 ? -days : days) * 86400) << c.shortYear;
  }
}

TEST(Zeit, DaysOfMonth) {
  struct Case {
    int month, year, days;
  } cases[] = {{1, 2004, 31}, {2, 2004, 29}, {2, 2003, 28}, {2, 2000, 29}, {2, 1900, 28}, {2, 2100, 28},
               {4, 2004, 30}, {11, 2004, 30}, {12, 2004, 31}, {0, 2004, 31}, {13, 2004, 31}, {-3, 2004, 31}};
  for (const Case& c : cases) EXPECT_EQ(Tage_ImMonat(c.month, c.year), c.days) << c.month << "/" << c.year;
}

// Months outside 1 to 12: 0 and below count like January, above 12 the whole
// year plus 31 days for every further month; every call ends at once.
TEST(Zeit, DayOfYearWithMonthOutsideTheYear) {
  struct Case {
    int day, month, year, result;
  } cases[] = {{5, 0, 2004, 5},          {5, -7, 2004, 5},        {5, INT_MIN, 2004, 5},
               {5, 13, 2004, 5 + 366},   {5, 14, 2003, 5 + 365 + 31},  {1, INT_MAX, 2004, INT32_MAX},
               {INT_MAX, 12, 2004, INT32_MAX}};
  for (const Case& c : cases) EXPECT_EQ(Tag_ImJahr(c.day, c.month, c.year), c.result) << c.month;
  EXPECT_EQ(Tage_Zwischen(1, 1, 1970, 1, INT_MAX, 2004), INT32_MAX);
}

TEST(Zeit, MinutesOfDayAsTimeText) {
  struct Case {
    int minutes;
    const char* text;
  } cases[] = {
      {0, "000000"},    {61, "010100"},  {1439, "235900"}, {1440, "235959"}, {1500, "250000"},
      {5999, "995900"},  // the largest count that still fits six digits
      {6000, ""},       {INT_MAX, ""},   {-1, ""},         {-600, ""},       {INT_MIN, ""},
  };
  for (const Case& c : cases) {
    // A block of exactly seven bytes: writing past it is caught by the sanitizer.
    std::unique_ptr<char[][7]> out(new char[1][7]);
    std::memcpy(out[0], "stale!", 7);
    Min_Uhrzeit(c.minutes, out[0]);
    EXPECT_STREQ(out[0], c.text) << c.minutes;
  }
}

namespace {

class FixedClock : public WfClock {
 public:
  std::time_t Now() override { return now; }
  std::time_t now = 0;
};

class ZeitClock : public ::testing::Test {
 protected:
  void SetUp() override { Clock_Install(&clock_); }
  void TearDown() override { Clock_Install(nullptr); }

  // Sets the test clock to a local time.
  void SetLocal(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    clock_.now = std::mktime(&tm);
  }

  FixedClock clock_;
};

}  // namespace

TEST_F(ZeitClock, TimestampFromTheClock) {
  struct Case {
    int y, mo, d, h, mi, s;
    int kind;
    const char* a;
    const char* b;
  } cases[] = {
      {2004, 10, 26, 22, 5, 9, 3, "20041026", "220509"},
      {2004, 10, 26, 22, 5, 9, 4, "20041026220509", ""},
      {2004, 1, 2, 3, 4, 5, 4, "20040102030405", ""},
      {1999, 12, 31, 23, 59, 59, 4, "20991231235959", ""},  // the century is always "20"
      {2004, 10, 26, 22, 5, 9, 0, "", ""},
      {2004, 10, 26, 22, 5, 9, 1, "", ""},
      {2004, 10, 26, 22, 5, 9, 5, "", ""},
  };
  for (const Case& c : cases) {
    SetLocal(c.y, c.mo, c.d, c.h, c.mi, c.s);
    char a[40] = "stale text from an earlier call";
    char b[9] = "stale!!";
    EXPECT_EQ(Get_Zeitstempel(a, b, c.kind), 0);
    EXPECT_STREQ(a, c.a) << "kind " << c.kind;
    EXPECT_STREQ(b, c.b) << "kind " << c.kind;
  }
}
