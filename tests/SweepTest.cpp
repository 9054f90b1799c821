// The sweep of a timeline into a work row's time values, and the shares it
// gives the interruption rows.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "EvalFixture.h"
#include "eval/Sweep.h"

using namespace evaltest;

namespace {

constexpr const char* D = "20240105";

struct E {
  const char* obj;
  const char* dat;
  const char* uhr;
  int lfn;
};

// The nine counted buckets, in minutes.seconds.
struct Buckets {
  double Nza, BzA, Uza, Abz, Pza, Nzu, Bzu, Ubz, Pzu;
};

struct SweepCase {
  const char* name;
  std::vector<E> events;  // inserted in this order
  Buckets want;
};

class Sweep : public EvalDb {
 protected:
  void Timeline(const std::vector<E>& events) {
    for (const E& e : events) ASSERT_EQ(Mlt_PKeyIns(Ev(e.obj, e.dat, e.uhr, e.lfn)), 0) << e.obj << e.uhr;
  }

  // Sweeps the test timeline into a work row whose buckets all held 9.99.
  NzaSatz Run(int rau = 0) {
    NzaSatz n = Row(1, D, "080000", D, "160000", "AB", "AE");
    n.NzaRau = rau;
    Mlt_Auswertung(kKey, n);
    return n;
  }

  static void ExpectBuckets(const NzaSatz& n, const Buckets& w) {
    EXPECT_EQ(n.NzaNza, w.Nza);
    EXPECT_EQ(n.NzaBzA, w.BzA);
    EXPECT_EQ(n.NzaUza, w.Uza);
    EXPECT_EQ(n.NzaAbz, w.Abz);
    EXPECT_EQ(n.NzaPza, w.Pza);
    EXPECT_EQ(n.NzaNzu, w.Nzu);
    EXPECT_EQ(n.NzaBzu, w.Bzu);
    EXPECT_EQ(n.NzaUbz, w.Ubz);
    EXPECT_EQ(n.NzaPzu, w.Pzu);
    // Written as zero whatever they held before.
    for (double v : {n.NzaNzr, n.NzaBzr, n.NzaUzr, n.NzaRbz, n.NzaPzr, n.NzaSol, n.NzaIst, n.NzaPau, n.NzaRf1})
      EXPECT_EQ(v, 0.0);
    // Not the sweep's.
    EXPECT_EQ(n.NzaRf2, 3.21);
    EXPECT_EQ(n.NzaRf3, 4.32);
    EXPECT_EQ(n.NzaGum, 5.43);
    EXPECT_EQ(n.NzaAum, 6.54);
    EXPECT_STREQ(n.NzaErf, "ALT");
  }
};

const std::vector<SweepCase>& Cases() {
  static const std::vector<SweepCase> c = {
      // The builders' order: begin/end, interruption, breaks.
      {"TypicalDay",
       {{"AB", D, "080000", 1}, {"AE", D, "160000", 2}, {"PU", D, "140000", 3}, {"PW", D, "144500", 4},
        {"BP", D, "120000", 5}, {"EP", D, "123000", 6}},
       {405.00, 435.00, 45.00, 0, 30.00, 45.00, 45.00, 0, 0}},
      {"TypicalDayWithAttendance",
       {{"AB", D, "080000", 1}, {"AE", D, "160000", 2}, {"PU", D, "140000", 3}, {"PW", D, "144500", 4},
        {"BP", D, "120000", 5}, {"EP", D, "123000", 6}, {"KM", D, "073000", 7}, {"GH", D, "163000", 8}},
       {405.00, 435.00, 45.00, 435.00, 30.00, 45.00, 45.00, 45.00, 0}},
      {"NinetySecondsAreOneThirty", {{"AB", D, "080000", 1}, {"AE", D, "080130", 2}}, {1.30, 1.30, 0, 0, 0, 0, 0, 0, 0}},
      {"MissingEndCountsUpToTheLastEventOnly",
       {{"AB", D, "080000", 1}, {"BP", D, "120000", 2}},
       {240.00, 240.00, 0, 0, 0, 0, 0, 0, 0}},
      {"UnknownCodesChangeNothing",
       {{"AB", D, "080000", 1}, {"PU", D, "090000", 2}, {"PWX", D, "091500", 3}, {"pw", D, "093000", 4},
        {"", D, "094000", 5}, {"UW", D, "094500", 6}, {"AE", D, "100000", 7}},
       {60.00, 60.00, 60.00, 0, 0, 60.00, 60.00, 0, 0}},
      {"SameInstantSweptByRunningNumber_EndFirst",
       {{"AB", D, "100000", 3}, {"AB", D, "080000", 1}, {"AE", D, "100000", 2}, {"AE", D, "120000", 4}},
       {240.00, 240.00, 0, 0, 0, 0, 0, 0, 0}},
      {"SameInstantSweptByRunningNumber_BeginFirst",
       {{"AE", D, "100000", 3}, {"AB", D, "080000", 1}, {"AB", D, "100000", 2}, {"AE", D, "120000", 4}},
       {120.00, 120.00, 0, 0, 0, 0, 0, 0, 0}},
      {"ZeroLengthRow", {{"AB", D, "080000", 1}, {"AE", D, "080000", 2}}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"UgIsNotClosedByUw",
       {{"AB", D, "080000", 1}, {"AE", D, "100000", 2}, {"UG", D, "090000", 3}, {"UW", D, "093000", 4}},
       {60.00, 60.00, 60.00, 0, 0, 60.00, 60.00, 0, 0}},
      {"UgClosedByLaterPw",
       {{"AB", D, "080000", 1}, {"AE", D, "100000", 2}, {"UG", D, "090000", 3}, {"UW", D, "093000", 4},
        {"WG", D, "094500", 5}},
       {75.00, 75.00, 45.00, 0, 0, 45.00, 45.00, 0, 0}},
      {"BreakInsideInterruptionUnderAttendance",
       {{"KM", D, "070000", 1}, {"AB", D, "080000", 2}, {"AU", D, "090000", 3}, {"BP", D, "093000", 4},
        {"EP", D, "100000", 5}, {"AW", D, "103000", 6}, {"PE", D, "110000", 7}, {"GH", D, "120000", 8}},
       {90.00, 90.00, 60.00, 90.00, 0, 60.00, 90.00, 90.00, 30.00}},
      {"BreakOutsideInterruptionWithOtherWorkCodes",
       {{"BG", D, "080000", 1}, {"BP", D, "100000", 2}, {"EP", D, "101500", 3}, {"AT", D, "110000", 4},
        {"PA", D, "130000", 5}, {"EG", D, "130045", 6}},
       {165.45, 180.45, 0, 0, 15.00, 0, 0, 0, 0}},
      {"AcrossMidnight",
       {{"AB", "20240105", "220000", 1}, {"AE", "20240106", "060000", 2}},
       {480.00, 480.00, 0, 0, 0, 0, 0, 0, 0}},
      {"AttendanceWithoutWorkCountsNothing",
       {{"KM", D, "070000", 1}, {"BP", D, "080000", 2}, {"PU", D, "083000", 3}, {"GH", D, "090000", 4}},
       {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"SecondInterruptionBeginKeepsCounting",
       {{"AB", D, "080000", 1}, {"PU", D, "090000", 2}, {"PU", D, "093000", 3}, {"PW", D, "100000", 4},
        {"AE", D, "110000", 5}},
       {120.00, 120.00, 60.00, 0, 0, 60.00, 60.00, 0, 0}},
      // An event read from a NULL date-time (an interruption row still open)
      // cannot be measured and is skipped: the interruption stays open.
      {"EventWithEmptyDateTimeIsSkipped",
       {{"AB", D, "080000", 1}, {"AE", D, "100000", 2}, {"PU", D, "090000", 3}, {"PW", "", "", 4}},
       {60.00, 60.00, 60.00, 0, 0, 60.00, 60.00, 0, 0}},
  };
  return c;
}

void PrintTo(const SweepCase& c, std::ostream* os) { *os << c.name; }

class SweepTable : public Sweep, public ::testing::WithParamInterface<SweepCase> {};

TEST_P(SweepTable, Buckets) {
  const SweepCase& c = GetParam();
  Timeline(c.events);
  NzaSatz n = Run();
  ExpectBuckets(n, c.want);
  EXPECT_TRUE(LogEntries().empty());
  // With the switch set the work row's buckets are the same.
  Nzp5Aak = 1;
  NzaSatz m = Run();
  ExpectBuckets(m, c.want);
}

INSTANTIATE_TEST_SUITE_P(Timelines, SweepTable, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<SweepCase>& i) { return std::string(i.param.name); });

TEST(Zeitwert, MinutesDotSeconds) {
  struct {
    int32_t s;
    double want;
  } cases[] = {{0, 0.00},    {45, 0.45},    {59, 0.59},    {60, 1.00},   {61, 1.01},   {90, 1.30},
               {-90, -1.30}, {3600, 60.00}, {24300, 405.00}, {476, 7.56}, {-476, -7.56}, {-231, -3.51},
               {-45, -0.45}, {86399, 1439.59}};
  // 476 and -231 come out one step off the decimal value when the factor is
  // applied in double precision (or as a widened double): the sum is exact.
  for (const auto& c : cases) EXPECT_EQ(Nza_Zeitwert(c.s), c.want) << c.s;
  // Every value is the double nearest to its decimal minutes.seconds text,
  // whatever the width of long double on the platform.
  int off = 0;
  for (int32_t s = -7200; s <= 7200 * 24; ++s) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%d.%02d", s < 0 ? "-" : "", std::abs(s / 60), std::abs(s % 60));
    if (Nza_Zeitwert(s) != std::strtod(text, nullptr) && ++off <= 5) ADD_FAILURE() << s << " " << text;
  }
  EXPECT_EQ(off, 0);
}

TEST_F(Sweep, OtherTimelinesAreNotSwept) {
  Timeline({{"AB", D, "080000", 1}, {"AE", D, "090000", 2}});
  ASSERT_EQ(Mlt_PKeyIns(Ev("AB", D, "070000", 3, "20240105115959")), 0);
  ASSERT_EQ(Mlt_PKeyIns(Ev("AE", D, "170000", 4, "20240105115959")), 0);
  ExpectBuckets(Run(), {60.00, 60.00, 0, 0, 0, 0, 0, 0, 0});
}

TEST_F(Sweep, CursorThatDoesNotOpenWritesZeroBuckets) {
  Timeline({{"AB", D, "080000", 1}, {"AE", D, "090000", 2}});
  int closes = 0;
  drv_->fault = [&](Op op, int cursor, const char*, const DbIn*, int) {
    if (cursor == CUR_MLT_PKEY && op == Op::Open) return ORA_RESOURCE_BUSY;
    if (cursor == CUR_MLT_PKEY && op == Op::Close) ++closes;
    return 0;
  };
  ExpectBuckets(Run(), {0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(closes, 0);
}

TEST_F(Sweep, ReadErrorEndsTheSweepWithWhatWasCounted) {
  Timeline({{"AB", D, "080000", 1}, {"BP", D, "100000", 2}, {"EP", D, "103000", 3}, {"AE", D, "120000", 4}});
  int fetches = 0;
  drv_->fault = [&](Op op, int cursor, const char*, const DbIn*, int) {
    if (cursor == CUR_MLT_PKEY && op == Op::Fetch && ++fetches == 3) return ORA_IO;
    return 0;
  };
  ExpectBuckets(Run(), {120.00, 120.00, 0, 0, 0, 0, 0, 0, 0});
}

// Handlers and the interval directly, for instants the database never hands
// back: an incomplete or malformed date-time is skipped, never measured.
TEST(SweepEvents, IncompleteInstantsAreSkipped) {
  MltZustand z = {};
  auto ev = [](const char* obj, const char* dat, const char* uhr) {
    MltSatz m = {};
    Txt_Copy(m.MltObj, obj);
    Txt_Copy(m.MltMdtDat, dat);
    Txt_Copy(m.MltMdtUhr, uhr);
    return m;
  };
  EXPECT_EQ(Mlt_Ereignis(z, ev("AB", D, "080000")), MLT_AB);
  EXPECT_EQ(Mlt_Ereignis(z, ev("PU", D, "")), MLT_UNBEKANNT);
  EXPECT_EQ(Mlt_Ereignis(z, ev("PU", "", "090000")), MLT_UNBEKANNT);
  EXPECT_EQ(Mlt_Ereignis(z, ev("PU", "2024010", "090000")), MLT_UNBEKANNT);
  EXPECT_EQ(Mlt_Ereignis(z, ev("PU", D, "09:000")), MLT_UNBEKANNT);
  EXPECT_EQ(Mlt_Ereignis(z, ev("PU", D, "0900")), MLT_UNBEKANNT);
  EXPECT_EQ(z.FlagPU, 0);
  EXPECT_STREQ(z.VonUhr, "080000");
  EXPECT_EQ(Mlt_Ereignis(z, ev("AE", D, "100000")), MLT_AE);
  EXPECT_EQ(z.SumNza, 7200);
  EXPECT_EQ(z.SumNzu, 0);

  // The interval itself refuses an incomplete end.
  MltZustand w = {};
  w.FlagAB = 1;
  Txt_Copy(w.VonDtm, D);
  Txt_Copy(w.VonUhr, "080000");
  Txt_Copy(w.BisDtm, D);
  Mlt_Intervall(w);
  EXPECT_EQ(w.SumNza, 0);
}

TEST(SweepEvents, CodesAreComparedAsWholeTexts) {
  EXPECT_EQ(Mlt_Ereignisart("KM"), MLT_KM);
  EXPECT_EQ(Mlt_Ereignisart("GH"), MLT_GH);
  for (const char* c : {"AB", "PA", "BG"}) EXPECT_EQ(Mlt_Ereignisart(c), MLT_AB) << c;
  for (const char* c : {"AE", "AT", "EG", "PE"}) EXPECT_EQ(Mlt_Ereignisart(c), MLT_AE) << c;
  EXPECT_EQ(Mlt_Ereignisart("BP"), MLT_BP);
  EXPECT_EQ(Mlt_Ereignisart("EP"), MLT_EP);
  for (const char* c : {"PU", "AU", "UG"}) EXPECT_EQ(Mlt_Ereignisart(c), MLT_PU) << c;
  for (const char* c : {"PW", "AW", "WG"}) EXPECT_EQ(Mlt_Ereignisart(c), MLT_PW) << c;
  for (const char* c : {"", "UW", "A", "ABX", "ab", " AB", "AB "}) EXPECT_EQ(Mlt_Ereignisart(c), MLT_UNBEKANNT) << c;
}

// ---------------------------------------------------------------------------
// Shares of the interruption rows (switch Nzp5Aak set).

class Shares : public Sweep {
 protected:
  void SetUp() override {
    Sweep::SetUp();
    Nzp5Aak = 1;
  }

  // An interruption row of the test person beginning at `uhr` on day D.
  NzaSatz SaB(const char* uhr, const char* bis) {
    NzaSatz b = Row(2, D, uhr, D, bis, "PU", "PW");
    InsertNza(b);
    return b;
  }

  static void ExpectSeven(const NzaSatz& b, double uza, double uzr, double nzu, double bzu, double pzu,
                          double ubz, double rf1) {
    EXPECT_EQ(b.NzaUza, uza);
    EXPECT_EQ(b.NzaUzr, uzr);
    EXPECT_EQ(b.NzaNzu, nzu);
    EXPECT_EQ(b.NzaBzu, bzu);
    EXPECT_EQ(b.NzaPzu, pzu);
    EXPECT_EQ(b.NzaUbz, ubz);
    EXPECT_EQ(b.NzaRf1, rf1);
  }

  // Everything but the seven shares as the row was stored.
  static void ExpectRestKept(const NzaSatz& b) {
    for (double v : {b.NzaNzr, b.NzaBzr, b.NzaPzr, b.NzaRbz, b.NzaNza, b.NzaBzA, b.NzaPza, b.NzaAbz, b.NzaSol,
                     b.NzaIst, b.NzaPau})
      EXPECT_EQ(v, 9.99);
    EXPECT_EQ(b.NzaRf2, 3.21);
    EXPECT_EQ(b.NzaGum, 5.43);
    EXPECT_EQ(b.NzaFnr, 77);
    EXPECT_STREQ(b.NzaErf, "ALT");
    EXPECT_STREQ(b.NzaEmk, "PW");
    EXPECT_STREQ(b.NzaEdtUhr, "144500");
  }

  static void ExpectUntouched(const NzaSatz& b) {
    ExpectSeven(b, 9.99, 9.99, 9.99, 9.99, 9.99, 9.99, 9.99);
    ExpectRestKept(b);
  }
};

TEST_F(Shares, UpdateWritesTheSevenValuesByFlagRau) {
  struct {
    int rau;
    double uza, uzr, nzu, bzu, pzu, ubz, rf1;
  } cases[] = {{0, 1.15, 0.00, 0.30, 0.20, 0.10, 0.05, 0.00}, {1, 0.00, 1.15, 0.00, 0.00, 0.00, 0.05, 0.10}};
  const NzaSatz b = SaB("140000", "144500");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rau);
    Nza_SA_B_Readk(Ev("PU", D, "140000", 1));
    ASSERT_EQ(NzaSatzBOffen, 1);
    MltZustand z = {};
    z.UbrUza = 75;
    z.UbrNzu = 30;
    z.UbrBzu = 20;
    z.UbrUbz = 5;
    z.UbrPzu = 10;
    z.FlagRau = c.rau;
    Nza_SA_B_Upd(z);
    const NzaSatz r = ReadNza(b);
    ExpectSeven(r, c.uza, c.uzr, c.nzu, c.bzu, c.pzu, c.ubz, c.rf1);
    ExpectRestKept(r);
    // The buffer holds what was written.
    ExpectSeven(NzaSatzB, c.uza, c.uzr, c.nzu, c.bzu, c.pzu, c.ubz, c.rf1);
  }
  EXPECT_TRUE(LogEntries().empty());
}

// KM 07:30, AB 08:00, PU 14:00, BP 14:15, EP 14:30, PW 14:45, AE 16:00,
// GH 16:30: 30 minutes of interrupted work outside the break, 15 inside.
std::vector<E> InterruptionWithBreak(const char* pu = "140000") {
  return {{"AB", D, "080000", 1}, {"AE", D, "160000", 2}, {"PU", D, pu, 3},       {"PW", D, "144500", 4},
          {"BP", D, "141500", 5}, {"EP", D, "143000", 6}, {"KM", D, "073000", 7}, {"GH", D, "163000", 8}};
}

TEST_F(Shares, SweepGivesTheInterruptionRowItsShareByNzaRau) {
  const Buckets work = {435.00, 435.00, 30.00, 435.00, 0, 30.00, 45.00, 45.00, 15.00};
  const NzaSatz b = SaB("140000", "144500");
  Timeline(InterruptionWithBreak());

  ExpectBuckets(Run(0), work);
  NzaSatz r = ReadNza(b);
  ExpectSeven(r, 30.00, 0.00, 30.00, 45.00, 15.00, 45.00, 0.00);
  ExpectRestKept(r);

  ExpectBuckets(Run(1), work);
  r = ReadNza(b);
  ExpectSeven(r, 0.00, 30.00, 0.00, 0.00, 0.00, 45.00, 15.00);
  ExpectRestKept(r);
  EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Shares, SwitchClearLeavesInterruptionRowsAlone) {
  const NzaSatz b = SaB("140000", "144500");
  Timeline(InterruptionWithBreak());
  Nzp5Aak = 0;
  ExpectBuckets(Run(), {435.00, 435.00, 30.00, 435.00, 0, 30.00, 45.00, 45.00, 15.00});
  ExpectUntouched(ReadNza(b));
  EXPECT_EQ(drv_->nzaUpdates, 0);
}

TEST_F(Shares, SecondInterruptionBeginMovesTheShareToTheSecondRow) {
  const NzaSatz first = SaB("090000", "144500");
  const NzaSatz second = SaB("093000", "144500");
  Timeline({{"AB", D, "080000", 1}, {"PU", D, "090000", 2}, {"PU", D, "093000", 3}, {"PW", D, "100000", 4},
            {"AE", D, "110000", 5}});
  ExpectBuckets(Run(), {120.00, 120.00, 60.00, 0, 0, 60.00, 60.00, 0, 0});
  ExpectUntouched(ReadNza(first));
  const NzaSatz r = ReadNza(second);
  ExpectSeven(r, 30.00, 0.00, 30.00, 30.00, 0.00, 0.00, 0.00);
  ExpectRestKept(r);
}

// No interruption row begins at the event: the update of its key still runs,
// finds no row, is logged and changes nothing.
TEST_F(Shares, MissingInterruptionRowIsLoggedAndItsUpdateFindsNothing) {
  NzaSatz other = Row(2, D, "140000", D, "144500", "PU", "PW");
  Txt_Copy(other.NzaApp, "0020");
  InsertNza(other);
  Timeline(InterruptionWithBreak());
  ExpectBuckets(Run(), {435.00, 435.00, 30.00, 435.00, 0, 30.00, 45.00, 45.00, 15.00});
  EXPECT_EQ(LogEntries(), (std::vector<LogZeile>{{"Nza_SA_B_Readk()", "Nza_PKeyReadk", 1403},
                                                 {"Nza_PKeyUpd(SA_B)", "Nza_PKeyUpd", 1403}}));
  EXPECT_EQ(drv_->nzaUpdates, 1);
  NzaSatz key = Row(2, D, "140000", D, "144500", "PU", "PW");
  EXPECT_EQ(Nza_PKeyReadk(key), 1403);
  ExpectUntouched(ReadNza(other));
}

// A read that fails for another reason leaves only the key and zeros in the
// buffer while the row exists: it must not be overwritten from that buffer.
TEST_F(Shares, FailedReadOfAnExistingRowDoesNotOverwriteIt) {
  const NzaSatz b = SaB("140000", "144500");
  Timeline(InterruptionWithBreak());
  drv_->fault = [](Op op, int, const char* sql, const DbIn* in, int nin) {
    if (op == Op::Execute && StartsWith(sql, "select NzaSa") && InNum(in, nin, "b0") == 2) return ORA_RESOURCE_BUSY;
    return 0;
  };
  ExpectBuckets(Run(), {435.00, 435.00, 30.00, 435.00, 0, 30.00, 45.00, 45.00, 15.00});
  drv_->fault = nullptr;
  ExpectUntouched(ReadNza(b));
  EXPECT_EQ(LogEntries(), (std::vector<LogZeile>{{"Nza_SA_B_Readk()", "Nza_PKeyReadk", ORA_RESOURCE_BUSY}}));
  EXPECT_EQ(drv_->nzaUpdates, 0);
}

TEST_F(Shares, FailedUpdateIsLoggedAndTheSweepGoesOn) {
  const NzaSatz b = SaB("140000", "144500");
  const NzaSatz late = SaB("150000", "151500");
  std::vector<E> t = InterruptionWithBreak();
  t.push_back({"PU", D, "150000", 9});
  t.push_back({"PW", D, "151500", 10});
  Timeline(t);
  int updates = 0;
  drv_->fault = [&](Op op, int, const char* sql, const DbIn* in, int nin) {
    if (op == Op::Execute && StartsWith(sql, "update KZT590Nza") && InNum(in, nin, "b0") == 2 && ++updates == 1)
      return ORA_RESOURCE_BUSY;
    return 0;
  };
  ExpectBuckets(Run(), {420.00, 420.00, 45.00, 420.00, 0, 45.00, 60.00, 60.00, 15.00});
  drv_->fault = nullptr;
  ExpectUntouched(ReadNza(b));
  const NzaSatz r = ReadNza(late);
  ExpectSeven(r, 15.00, 0.00, 15.00, 15.00, 0.00, 15.00, 0.00);
  EXPECT_EQ(LogEntries(), (std::vector<LogZeile>{{"Nza_PKeyUpd(SA_B)", "Nza_PKeyUpd", ORA_RESOURCE_BUSY}}));
}

// A second end of the interruption (the end of a row whose begin code is
// outside the table) writes the same shares into the same row again, so a
// first update that failed is made good.
TEST_F(Shares, FurtherEndWritesTheSameShareAgain) {
  const NzaSatz b = SaB("140000", "144500");
  Timeline({{"AB", D, "080000", 1}, {"PU", D, "140000", 2}, {"PW", D, "144500", 3}, {"PW", D, "150000", 4},
            {"AE", D, "160000", 5}});
  int updates = 0;
  drv_->fault = [&](Op op, int, const char* sql, const DbIn* in, int nin) {
    if (op == Op::Execute && StartsWith(sql, "update KZT590Nza") && InNum(in, nin, "b0") == 2 && ++updates == 1)
      return ORA_RESOURCE_BUSY;
    return 0;
  };
  ExpectBuckets(Run(), {435.00, 435.00, 45.00, 0, 0, 45.00, 45.00, 0, 0});
  drv_->fault = nullptr;
  EXPECT_EQ(updates, 2);
  const NzaSatz r = ReadNza(b);
  ExpectSeven(r, 45.00, 0.00, 45.00, 45.00, 0.00, 0.00, 0.00);
  ExpectRestKept(r);
  EXPECT_EQ(LogEntries(), (std::vector<LogZeile>{{"Nza_PKeyUpd(SA_B)", "Nza_PKeyUpd", ORA_RESOURCE_BUSY}}));
}

// The buffer outlives a sweep; an interruption end without its begin in the
// current sweep must not write into the row an earlier sweep left there.
TEST_F(Shares, EndWithoutBeginInThisSweepWritesNothing) {
  struct {
    const char* name;
    std::vector<E> earlier;  // the sweep that leaves its row in the buffer
    double uza;              // what that row holds afterwards
  } cases[] = {
      {"EarlierInterruptionLeftOpen",
       {{"AB", D, "080000", 1}, {"PU", D, "090000", 2}, {"AE", D, "100000", 3}},
       9.99},
      {"EarlierInterruptionClosed",
       {{"AB", D, "080000", 1}, {"PU", D, "090000", 2}, {"PW", D, "093000", 3}, {"AE", D, "100000", 4}},
       30.00},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // A row of its own per case.
    NzaSatz b = Row(2, D, "090000", D, "144500", "PU", "PW");
    Txt_Copy(b.NzaApk, n == 0 ? "AUFTRAG1" : "AUFTRAG2");
    InsertNza(b);
    const std::string k1 = std::string("2024010512000") + std::to_string(2 * n);
    const std::string k2 = std::string("2024010512000") + std::to_string(2 * n + 1);
    for (const E& e : c.earlier) {
      MltSatz m = Ev(e.obj, e.dat, e.uhr, e.lfn, k1.c_str());
      Txt_Copy(m.MltApk, b.NzaApk);
      ASSERT_EQ(Mlt_PKeyIns(m), 0);
    }
    // A later sweep whose interruption row begins with a code outside the
    // table but ends with "PW".
    for (const E& e : std::vector<E>{{"AB", D, "110000", 1}, {"XX", D, "111500", 2}, {"PW", D, "113000", 3},
                                     {"AE", D, "120000", 4}}) {
      ASSERT_EQ(Mlt_PKeyIns(Ev(e.obj, e.dat, e.uhr, e.lfn, k2.c_str())), 0);
    }
    NzaSatz w1 = Row(1, D, "080000", D, "100000", "AB", "AE");
    Mlt_Auswertung(k1.c_str(), w1);
    NzaSatz w2 = Row(1, D, "110000", D, "120000", "AB", "AE");
    Mlt_Auswertung(k2.c_str(), w2);
    EXPECT_EQ(w2.NzaNza, 60.00);
    const NzaSatz r = ReadNza(b);
    EXPECT_EQ(r.NzaUza, c.uza);
    EXPECT_EQ(r.NzaNzu, c.uza);
    EXPECT_EQ(r.NzaSol, 9.99);
    ++n;
  }
  EXPECT_TRUE(LogEntries().empty());
}

}  // namespace
