// The per-marker driver and the timeline builders.
#include <algorithm>
#include <string>
#include <vector>

#include "EvalFixture.h"
#include "eval/Eval.h"
#include "eval/Sweep.h"
#include "util/Zeit.h"

using namespace evaltest;

namespace {

constexpr const char* D = "20240105";
constexpr const char* N = "20240106";

class Driver : public EvalDb {
 protected:
  void SetUp() override {
    EvalDb::SetUp();
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    clock_ = std::make_unique<FixedClock>(std::mktime(&t));
    Clock_Install(clock_.get());
    char a[40];
    char b[9];
    Get_Zeitstempel(a, b, 4);
    runKey_ = a;
  }

  static MelSatz Marker() {
    MelSatz m = {};
    Txt_Copy(m.KeyPnr, kPnr);
    Txt_Copy(m.KeyApl, kApl);
    Txt_Copy(m.KeyApk, kApk);
    Txt_Copy(m.KeyApp, kApp);
    return m;
  }

  // Date-time texts of the successful inserts with the given code.
  std::vector<std::string> Times(const char* obj) const {
    std::vector<std::string> t;
    for (const MltInsert& m : drv_->inserts) {
      if (m.Status == 0 && m.Obj == obj) t.push_back(m.Mdt);
    }
    std::sort(t.begin(), t.end());
    return t;
  }

  // Running numbers of all attempted inserts, in the order attempted.
  std::vector<long> Numbers() const {
    std::vector<long> n;
    for (const MltInsert& m : drv_->inserts) n.push_back(m.Lfn);
    return n;
  }

  // The typical day: work 08:00-16:00, interruption 14:00-14:45, the shift
  // model's break 12:00-12:30.
  NzaSatz TypicalDay() {
    InsertModel("EMO1", "T1", 360, "PMO1", "PMS1", "20240101", "20241231", {{720, 750}});
    InsertNza(Row(2, D, "140000", D, "144500", "PU", "PW"));
    NzaSatz a = Row(1, D, "080000", D, "160000", "AB", "AE");
    InsertNza(a);
    return a;
  }

  std::unique_ptr<FixedClock> clock_;
  std::string runKey_;
};

TEST_F(Driver, TypicalDayIsEvaluatedAndWrittenBack) {
  const NzaSatz a = TypicalDay();
  EXPECT_EQ(Nza_MPA(Marker()), 0);

  // Builders in their order, one running number after the other.
  EXPECT_EQ(drv_->Codes(), (std::vector<std::string>{"AB", "AE", "PU", "PW", "BP", "EP"}));
  EXPECT_EQ(Numbers(), (std::vector<long>{1, 2, 3, 4, 5, 6}));
  ASSERT_EQ(runKey_.size(), 14u);
  for (const MltInsert& m : drv_->inserts) {
    EXPECT_EQ(m.Erf, "Nza_MPA");
    EXPECT_EQ(m.Dat, runKey_);
    EXPECT_EQ(m.Pnr, kPnr);
    EXPECT_EQ(m.Apl, kApl);
  }
  EXPECT_EQ(Times("BP"), (std::vector<std::string>{"20240105120000"}));
  EXPECT_EQ(Times("PW"), (std::vector<std::string>{"20240105144500"}));
  EXPECT_EQ(TimelineCount(runKey_.c_str()), 0);

  const NzaSatz r = ReadNza(a);
  EXPECT_EQ(r.NzaNza, 405.00);
  EXPECT_EQ(r.NzaBzA, 435.00);
  EXPECT_EQ(r.NzaPza, 30.00);
  EXPECT_EQ(r.NzaNzu, 45.00);
  EXPECT_EQ(r.NzaUza, 45.00);
  EXPECT_EQ(r.NzaBzu, 45.00);
  for (double v : {r.NzaAbz, r.NzaUbz, r.NzaPzu, r.NzaNzr, r.NzaBzr, r.NzaUzr, r.NzaRbz, r.NzaPzr, r.NzaSol,
                   r.NzaIst, r.NzaPau, r.NzaRf1})
    EXPECT_EQ(v, 0.0);
  EXPECT_STREQ(r.NzaErf, "Nza_MPA");
  EXPECT_EQ(r.NzaRf2, 3.21);
  EXPECT_EQ(r.NzaRf3, 4.32);
  EXPECT_EQ(r.NzaGum, 5.43);
  EXPECT_EQ(r.NzaAum, 6.54);
  EXPECT_EQ(r.NzaFnr, 77);
  EXPECT_STREQ(r.NzaTnr, "TNR");
  EXPECT_STREQ(r.NzaEdtUhr, "160000");
  // The switch is clear: the interruption row is not touched.
  EXPECT_STREQ(ReadNza(Row(2, D, "140000", D, "144500", "PU", "PW")).NzaErf, "ALT");
  EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Driver, OpenRowIsWrittenBackUnevaluatedAndNumbersContinue) {
  const NzaSatz r1 = Row(1, D, "080000", D, "100000", "AB", "AE");
  NzaSatz r2 = Row(1, D, "103000", "", "", "AB", "");
  r2.NzaEnd = 0;
  const NzaSatz r3 = Row(1, D, "130000", D, "150000", "AB", "AE");
  InsertNza(r3);  // begin order, not insert order
  InsertNza(r1);
  InsertNza(r2);

  EXPECT_EQ(Nza_MPA(Marker()), 0);
  EXPECT_EQ(Numbers(), (std::vector<long>{1, 2, 3, 4}));
  EXPECT_EQ(drv_->inserts[2].Mdt, "20240105130000");
  EXPECT_EQ(drv_->nzaUpdates, 3);

  for (const NzaSatz* k : {&r1, &r3}) {
    const NzaSatz r = ReadNza(*k);
    EXPECT_EQ(r.NzaNza, 120.00);
    EXPECT_EQ(r.NzaSol, 0.0);
    EXPECT_STREQ(r.NzaErf, "Nza_MPA");
  }
  const NzaSatz o = ReadNza(r2);
  EXPECT_EQ(o.NzaEnd, 0);
  EXPECT_EQ(o.NzaNza, 9.99);
  EXPECT_EQ(o.NzaSol, 9.99);
  EXPECT_STREQ(o.NzaErf, "ALT");
  EXPECT_STREQ(o.NzaEdtDat, "");
  EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Driver, MarkerWithoutRowsWritesNothing) {
  InsertNza(Row(1, D, "080000", D, "100000", "AB", "AE"));
  MelSatz m = Marker();
  Txt_Copy(m.KeyPnr, "0815");
  EXPECT_EQ(Nza_MPA(m), 0);
  EXPECT_TRUE(drv_->inserts.empty());
  EXPECT_EQ(drv_->nzaUpdates, 0);
  EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Driver, CursorThatDoesNotOpenReturnsItsStatus) {
  InsertNza(Row(1, D, "080000", D, "100000", "AB", "AE"));
  int closes = 0;
  drv_->fault = [&](Op op, int cursor, const char*, const DbIn*, int) {
    if (cursor == CUR_NZA_PKEY && op == Op::Open) return ORA_RESOURCE_BUSY;
    if (cursor == CUR_NZA_PKEY && op == Op::Close) ++closes;
    return 0;
  };
  EXPECT_EQ(Nza_MPA(Marker()), ORA_RESOURCE_BUSY);
  EXPECT_EQ(closes, 0);
  EXPECT_TRUE(drv_->inserts.empty());
  EXPECT_EQ(drv_->nzaUpdates, 0);
  EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Driver, FailedUpdateIsLoggedAndLaterRowsAreEvaluated) {
  const NzaSatz r1 = Row(1, D, "080000", D, "100000", "AB", "AE");
  const NzaSatz r2 = Row(1, D, "130000", D, "150000", "AB", "AE");
  InsertNza(r1);
  InsertNza(r2);
  int updates = 0;
  drv_->fault = [&](Op op, int, const char* sql, const DbIn*, int) {
    if (op == Op::Execute && StartsWith(sql, "update KZT590Nza") && ++updates == 1) return ORA_RESOURCE_BUSY;
    return 0;
  };
  EXPECT_EQ(Nza_MPA(Marker()), 0);
  drv_->fault = nullptr;
  EXPECT_STREQ(ReadNza(r1).NzaErf, "ALT");
  EXPECT_EQ(ReadNza(r1).NzaNza, 9.99);
  EXPECT_STREQ(ReadNza(r2).NzaErf, "Nza_MPA");
  EXPECT_EQ(ReadNza(r2).NzaNza, 120.00);
  EXPECT_EQ(LogEntries(), (std::vector<LogZeile>{{"Nza_MPA_Arbeitszeit", "Nza_PKeyUpd", ORA_RESOURCE_BUSY}}));
}

// Each failed timeline insert is logged by its builder; the row is still
// evaluated with the events that arrived and written back.
TEST_F(Driver, FailedInsertsAreLoggedByTheirBuilder) {
  struct {
    int failing;  // running number of the insert that fails
    LogZeile want;
    double nza;
  } cases[] = {
      {1, {"Mlt_BeginnEnde()", "Fehler Mlt_PKeyIns(1)", ORA_DUP_KEY}, 0.00},
      {2, {"Mlt_BeginnEnde()", "Fehler Mlt_PKeyIns(2)", ORA_DUP_KEY}, 330.00},  // counted up to PW only
      {3, {"Mlt_Unterbr_Nza(1)", "Fehler Mlt_PKeyIns", ORA_DUP_KEY}, 450.00},  // never interrupted
      {4, {"Mlt_Unterbr_Nza(2)", "Fehler Mlt_PKeyIns", ORA_DUP_KEY}, 330.00},  // interrupted to the end
      {5, {"Mlt_ZeitDaten_Bde()", "Fehler Mlt_PKeyIns(1)", ORA_DUP_KEY}, 435.00},  // no break
      {6, {"Mlt_ZeitDaten_BDE()", "Fehler Mlt_PKeyIns(2)", ORA_DUP_KEY}, 240.00},  // break to the end
  };
  const NzaSatz a = TypicalDay();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failing);
    std::remove(logPath_.c_str());
    drv_->inserts.clear();
    drv_->fault = [&](Op op, int, const char* sql, const DbIn* in, int nin) {
      if (op == Op::Execute && StartsWith(sql, "insert into Kzt561Mlt") && InNum(in, nin, "b2") == c.failing)
        return ORA_DUP_KEY;
      return 0;
    };
    EXPECT_EQ(Nza_MPA(Marker()), 0);
    drv_->fault = nullptr;
    EXPECT_EQ(LogEntries(), (std::vector<LogZeile>{c.want}));
    EXPECT_EQ(drv_->Codes().size(), 5u);
    EXPECT_EQ(TimelineCount(runKey_.c_str()), 0);
    const NzaSatz r = ReadNza(a);
    EXPECT_STREQ(r.NzaErf, "Nza_MPA");
    EXPECT_EQ(r.NzaNza, c.nza);
  }
}

// A real duplicate: an event left behind in the marker's timeline holds the
// number the begin event wants.
TEST_F(Driver, DuplicateRunningNumberInTheTimeline) {
  const NzaSatz a = Row(1, D, "080000", D, "100000", "AB", "AE");
  InsertNza(a);
  ASSERT_EQ(Mlt_PKeyIns(Ev("XX", D, "090000", 1, runKey_.c_str())), 0);
  EXPECT_EQ(Nza_MPA(Marker()), 0);
  const std::vector<LogZeile> log = LogEntries();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Funktion, "Mlt_BeginnEnde()");
  EXPECT_EQ(log[0].Message, "Fehler Mlt_PKeyIns(1)");
  EXPECT_LT(log[0].ErrorCode, 0);
  // Without its begin the work is never opened; the row is still written.
  const NzaSatz r = ReadNza(a);
  EXPECT_EQ(r.NzaNza, 0.0);
  EXPECT_STREQ(r.NzaErf, "Nza_MPA");
  EXPECT_EQ(TimelineCount(runKey_.c_str()), 0);
}

TEST_F(Driver, PersonnelModelRowsDoNotTakeTheShiftBreaks) {
  struct {
    int pzm;
    bool shiftBreaks;
  } cases[] = {{0, true}, {1, false}, {2, true}};
  InsertModel("EMO1", "T1", 360, "PMO1", "PMS1", "20240101", "20241231", {{720, 750}});
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pzm);
    drv_->inserts.clear();
    NzaSatz a = Row(1, D, "080000", D, "160000", "AB", "AE");
    Txt_Copy(a.NzaApl, n == 0 ? "APL1" : n == 1 ? "APL2" : "APL3");
    a.NzaPzm = c.pzm;
    InsertNza(a);
    MelSatz m = Marker();
    Txt_Copy(m.KeyApl, a.NzaApl);
    Nza_MPA(m);
    const std::vector<std::string> bp = Times("BP");
    const bool shift = std::find(bp.begin(), bp.end(), "20240105120000") != bp.end();
    EXPECT_EQ(shift, c.shiftBreaks);
    EXPECT_STREQ(ReadNza(a).NzaErf, "Nza_MPA");
    ++n;
  }
}

// A night model beginning at 22:00: breaks at or before its begin minute lie
// on the next day.
TEST_F(Driver, NightModelBreaksFallOnTheNextDay) {
  InsertKalender(2024, 1, 4, 4);
  InsertModel("NACHT", "T1", 1320, "PMO1", "PMS1", "20240101", "20241231",
              {{120, 150}, {1320, 1350}, {1380, 1410}});
  NzaSatz a = Row(1, D, "220000", N, "060000", "AB", "AE");
  Txt_Copy(a.NzaEmo, "NACHT");
  InsertNza(a);
  EXPECT_EQ(Nza_MPA(Marker()), 0);
  EXPECT_EQ(Times("BP"), (std::vector<std::string>{"20240105230000", "20240106020000", "20240106220000"}));
  EXPECT_EQ(Times("EP"), (std::vector<std::string>{"20240105223000", "20240105233000", "20240106023000"}));
  const NzaSatz r = ReadNza(a);
  EXPECT_EQ(r.NzaNza, 420.00);
  EXPECT_EQ(r.NzaPza, 60.00);
  EXPECT_EQ(r.NzaBzA, 480.00);
}

TEST_F(Driver, NextDayMissingFromTheCalendarKeepsTheDate) {
  InsertModel("NACHT", "T1", 1320, "PMO1", "PMS1", "20240101", "20241231", {{120, 150}});
  NzaSatz a = Row(1, D, "220000", N, "060000", "AB", "AE");
  Txt_Copy(a.NzaEmo, "NACHT");
  int lfn = 0;
  Mlt_ZeitDaten_Bde(runKey_.c_str(), a, lfn);
  EXPECT_EQ(lfn, 2);
  EXPECT_EQ(Times("BP"), (std::vector<std::string>{"20240105020000"}));
  EXPECT_EQ(Times("EP"), (std::vector<std::string>{"20240105023000"}));
}

TEST_F(Driver, BreakEndingAtMidnightEndsAt235959) {
  InsertModel("EMO1", "T1", 360, "PMO1", "PMS1", "20240101", "20241231", {{1410, 1440}});
  const NzaSatz a = Row(1, D, "140000", N, "000000", "AB", "AE");
  InsertNza(a);
  EXPECT_EQ(Nza_MPA(Marker()), 0);
  EXPECT_EQ(Times("BP"), (std::vector<std::string>{"20240105233000"}));
  EXPECT_EQ(Times("EP"), (std::vector<std::string>{"20240105235959"}));
  const NzaSatz r = ReadNza(a);
  EXPECT_EQ(r.NzaPza, 29.59);
  EXPECT_EQ(r.NzaNza, 570.01);
  EXPECT_EQ(r.NzaBzA, 600.00);
}

TEST_F(Driver, NoBreakPlanValidOnTheDay) {
  InsertModel("EMO1", "T1", 360, "PMO1", "PMS1", "20240106", "20241231", {{720, 750}});
  InsertModel("EMO2", "T1", 360, "PMO2", "PMS2", "20231201", "20240104", {{720, 750}});
  InsertModel("EMO1", "T9", 360, "PMO3", "PMS3", "20240101", "20241231", {{720, 750}});
  const NzaSatz a = Row(1, D, "080000", D, "160000", "AB", "AE");
  InsertNza(a);
  EXPECT_EQ(Nza_MPA(Marker()), 0);
  EXPECT_EQ(drv_->Codes(), (std::vector<std::string>{"AB", "AE"}));
  EXPECT_EQ(ReadNza(a).NzaNza, 480.00);
}

TEST_F(Driver, BreakPlanValidOnItsFirstAndLastDay) {
  InsertModel("EMO1", "T1", 360, "PMO1", "PMS1", D, D, {{720, 750}});
  NzaSatz a = Row(1, D, "080000", D, "160000", "AB", "AE");
  int lfn = 10;
  Mlt_ZeitDaten_Bde(runKey_.c_str(), a, lfn);
  EXPECT_EQ(Numbers(), (std::vector<long>{11, 12}));
  EXPECT_EQ(Times("EP"), (std::vector<std::string>{"20240105123000"}));
}

// Several model rows of one model and type come in the order of their begin;
// each break's day is decided against its own model row.
TEST_F(Driver, SeveralModelRowsEachAgainstItsOwnBegin) {
  InsertKalender(2024, 1, 4, 4);
  InsertModel("EMO1", "T1", 1320, "PMO2", "PMS2", "20240101", "20241231", {{400, 430}});
  InsertModel("EMO1", "T1", 360, "PMO1", "PMS1", "20240101", "20241231", {{400, 430}});
  NzaSatz a = Row(1, D, "060000", D, "140000", "AB", "AE");
  int lfn = 0;
  Mlt_ZeitDaten_Bde(runKey_.c_str(), a, lfn);
  ASSERT_EQ(drv_->inserts.size(), 4u);
  EXPECT_EQ(drv_->inserts[0].Mdt, "20240105064000");
  EXPECT_EQ(drv_->inserts[1].Mdt, "20240105071000");
  EXPECT_EQ(drv_->inserts[2].Mdt, "20240106064000");
  EXPECT_EQ(drv_->inserts[3].Mdt, "20240106071000");
  EXPECT_TRUE(LogEntries().empty());
}

// ---------------------------------------------------------------------------
// Interruption rows collected into the timeline.

class Interruptions : public Driver {
 protected:
  void Collect(const NzaSatz& a) {
    int lfn = 0;
    Mlt_Unterbr_Nza(runKey_.c_str(), a, lfn);
    EXPECT_EQ(lfn, static_cast<int>(drv_->inserts.size()));
  }
};

TEST_F(Interruptions, OnlyRowsBeginningWithinTheSpanBothEndsIncluded) {
  for (const char* beg : {"075959", "080000", "113000", "120000", "120001"}) {
    InsertNza(Row(2, D, beg, D, "130000", "PU", "PW"));
  }
  NzaSatz other = Row(2, D, "090000", D, "091000", "PU", "PW");
  Txt_Copy(other.NzaApp, "0020");
  InsertNza(other);
  InsertNza(Row(1, D, "090000", D, "091000", "PU", "PW"));  // a work row, not an interruption
  Collect(Row(1, D, "080000", D, "120000", "AB", "AE"));
  EXPECT_EQ(Times("PU"), (std::vector<std::string>{"20240105080000", "20240105113000", "20240105120000"}));
  EXPECT_EQ(Times("PW").size(), 3u);
  EXPECT_EQ(drv_->inserts.front().Obj, "PU");
  EXPECT_EQ(drv_->inserts.front().Mdt, "20240105080000");
  EXPECT_EQ(drv_->inserts[1].Mdt, "20240105130000");
}

TEST_F(Interruptions, ZeroLengthRowCollectsItsWholeDay) {
  for (const std::pair<const char*, const char*>& b :
       {std::pair{"20240104", "235959"}, std::pair{D, "000000"}, std::pair{D, "120000"}, std::pair{D, "235959"},
        std::pair{N, "000000"}}) {
    InsertNza(Row(2, b.first, b.second, b.first, b.second, "PU", "PW"));
  }
  Collect(Row(1, D, "100000", D, "100000", "AB", "AE"));
  EXPECT_EQ(Times("PU"), (std::vector<std::string>{"20240105000000", "20240105120000", "20240105235959"}));
}

TEST_F(Interruptions, SelectedByCodesAndWrittenWithTheirOwnCodes) {
  struct {
    const char* bmk;
    const char* emk;
    bool selected;
  } cases[] = {{"PU", "PW", true}, {"PU", "XX", true}, {"XX", "PW", true}, {"UG", "XX", true},
               {"XX", "UW", true}, {"UG", "UW", true}, {"AU", "AW", false}, {"XX", "YY", false},
               {"", "", false},    {"PW", "PU", false}};
  char uhr[16];
  int i = 0;
  std::vector<std::string> want;
  for (const auto& c : cases) {
    std::snprintf(uhr, sizeof uhr, "09%02d00", i++);
    InsertNza(Row(2, D, uhr, D, "150000", c.bmk, c.emk));
    if (c.selected) {
      want.push_back(c.bmk);
      want.push_back(c.emk);
    }
  }
  Collect(Row(1, D, "080000", D, "160000", "AB", "AE"));
  std::vector<std::string> got;
  for (const MltInsert& m : drv_->inserts) got.push_back(m.Obj);
  EXPECT_EQ(got, want);  // begin and end of each row, in begin order
  std::vector<long> lfn = Numbers();
  for (std::size_t k = 0; k < lfn.size(); ++k) EXPECT_EQ(lfn[k], static_cast<long>(k + 1));
}

TEST_F(Interruptions, CursorThatDoesNotOpenWritesNothing) {
  InsertNza(Row(2, D, "090000", D, "093000", "PU", "PW"));
  drv_->fault = [](Op op, int cursor, const char*, const DbIn*, int) {
    return cursor == CUR_NZA_UNTERBR && op == Op::Open ? ORA_RESOURCE_BUSY : 0;
  };
  Collect(Row(1, D, "080000", D, "160000", "AB", "AE"));
  EXPECT_TRUE(drv_->inserts.empty());
  EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Driver, BeginEndCarriesTheRowAndCutsALongPersonnelNumber) {
  NzaSatz a = Row(1, D, "080000", D, "160000", "AB", "AE");
  Txt_Copy(a.NzaPnr, "1234567890");
  int lfn = 41;
  Mlt_BeginnEnde(runKey_.c_str(), a, lfn);
  EXPECT_EQ(lfn, 43);
  ASSERT_EQ(Mlt_PKey_Open("Nza_MPA", runKey_.c_str()), 0);
  MltSatz m = {};
  std::vector<MltSatz> ev;
  while (Mlt_PKey_Read(m) == 0) ev.push_back(m);
  Mlt_PKey_Close();
  ASSERT_EQ(ev.size(), 2u);
  EXPECT_EQ(ev[0].MltLfn, 42);
  EXPECT_STREQ(ev[0].MltObj, "AB");
  EXPECT_STREQ(ev[0].MltMdtUhr, "080000");
  EXPECT_EQ(ev[1].MltLfn, 43);
  EXPECT_STREQ(ev[1].MltObj, "AE");
  EXPECT_STREQ(ev[1].MltMdtUhr, "160000");
  for (const MltSatz& e : ev) {
    EXPECT_STREQ(e.MltPnr, "12345678");
    EXPECT_STREQ(e.MltApl, kApl);
    EXPECT_STREQ(e.MltApk, kApk);
    EXPECT_STREQ(e.MltApp, kApp);
    EXPECT_STREQ(e.MltEmo, "");
    EXPECT_EQ(e.MltWoc, 0);
  }
}

}  // namespace
