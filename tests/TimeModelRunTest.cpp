// End-to-end run of the batch over a work row kept under a personnel time
// model: attendance from the bookings, the booking gap merged with the model
// break, the day without a model in the run protocol, the timeline gone.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "DbFixture.h"
#include "RunFixture.h"

namespace {

std::string Today(int offsetDays) {
  std::time_t t = std::time(nullptr) + offsetDays * 86400;
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d 00:00:00", &tm);
  return buf;
}

class TimeModelRun : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.Install();
    ASSERT_EQ(sqlite3_open(tree_.db().c_str(), &db_), SQLITE_OK);
    sqlite3_busy_timeout(db_, 5000);
  }
  void TearDown() override { sqlite3_close(db_); }

  void Nza(int sa, const std::string& dtm, const std::string& edt, const char* bmk, const char* emk) {
    SqlExec(db_,
            "insert into Kzt590Nza (NzaSa,NzaApl,NzaApk,NzaApp,NzaPnr,NzaDtm,NzaBmk,NzaEdt,NzaEmk,NzaEnd,NzaRau,"
            "NzaEmo,NzaTtp,NzaPzm,NzaNzr,NzaBzr,NzaUzr,NzaPzr,NzaRbz,NzaNza,NzaBzA,NzaUza,NzaPza,NzaAbz,NzaNzu,"
            "NzaBzu,NzaPzu,NzaUbz,NzaSol,NzaIst,NzaPau,NzaRf1,NzaRf2,NzaRf3,NzaErf) values (" +
                std::to_string(sa) + ",'APL1','K1','P1','N7','" + dtm + "','" + bmk + "','" + edt + "','" + emk +
                "',1,0,'EMO1','T1',1,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,"
                "9.99,9.99,9.99,3.21,4.32,'ALT')");
  }

  RunTree tree_;
  sqlite3* db_ = nullptr;
};

TEST_F(TimeModelRun, BookedAttendanceWithMergedBreakAndADayWithoutModel) {
  SqlExec(db_, "insert into Kzt591Nzp (NzpAkz,NzpGvn,NzpGbi,NzpAak) values (5,'" + Today(-1) + "','" + Today(1) +
                   "',0)");
  SqlExec(db_,
          "insert into Kzt563Mrk (MrkKng,MrkApl,MrkApk,MrkApp,MrkPnr,MrkBnr,MrkObj,MrkMdt,MrkEsb) "
          "values ('NZS','APL1','K1','P1','N7',1,'OBJ','2004-10-27 16:00:00','E')");
  for (int d = 25; d <= 28; ++d) {
    SqlExec(db_, "insert into Kzt133Bak (BakDtm,BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg) values ('2004-10-" +
                     std::to_string(d) + " 00:00:00',2004,10," + std::to_string(d) + ",44," +
                     std::to_string(d - 24) + "," + std::to_string(274 + d) + ")");
  }
  // Model on the 27th only; the 26th, the day before the row, has none.
  SqlExec(db_, "insert into Kzt140Azv (AzvNum,AzvGvo,AzvPsm,AzvMav,AzvMab,AzvNov,AzvNob,AzvGlv,AzvGlb,AzvKev,"
               "AzvKeb,AzvSol) values ('M1','2004-01-01 00:00:00','PS1',0,0,420,960,0,0,0,0,0)");
  SqlExec(db_, "insert into Kzt329Ztg (ZtgPnr,ZtgVon,ZtgAzt,ZtgAgr,ZtgTtp) values "
               "('N7','2004-10-27 00:00:00','M1','AG','T1')");
  SqlExec(db_, "insert into Kzt327Tag (TagPnr,TagTag,TagVon,TagUhr,TagBis,TagEnd,TagTgb,TagOne) values "
               "('N7','2004-10-27 00:00:00','2004-10-27 00:00:00','2004-10-27 06:00:00','2004-10-27 00:00:00',"
               "'2004-10-27 16:00:00','',0)");
  auto booking = [&](const char* von, const char* bis, int tvo, int tbi) {
    SqlExec(db_, std::string("insert into Kzt328Bup (BupPnr,BupVon,BupUhr,BupFkt,BupBis,BupEnd,BupFfk,BupTvo,"
                             "BupTbi,BupAvo,BupAbi,BupWzv,BupWzb) values ('N7','2004-10-27 00:00:00','") +
                     von + "',0,'2004-10-27 00:00:00','" + bis + "',0," + std::to_string(tvo) + "," +
                     std::to_string(tbi) + ",0,0,0,0)");
  };
  booking("2004-10-27 07:00:00", "2004-10-27 12:00:00", 420, 720);
  booking("2004-10-27 12:30:00", "2004-10-27 16:00:00", 750, 960);
  // Model break 11:45 to 12:15 overlaps the booking gap 12:00 to 12:30.
  SqlExec(db_, "insert into Kzt143Pse (PseNum,PseLfd,PseVon,PseBis,PseMin,PseMax,PseInt,PsePse) values "
               "('PS1',1,705,735,0,0,0,0)");
  Nza(1, "2004-10-27 08:00:00", "2004-10-27 16:00:00", "AB", "AE");
  Nza(2, "2004-10-27 14:00:00", "2004-10-27 14:45:00", "PU", "PW");

  EXPECT_EQ(tree_.Batch({"NACHTLAUF"}), 0);
  EXPECT_EQ(tree_.Log().size(), 0u) << ReadFile(tree_.logPath());

  // KM 07:00, AB 08:00, BP 11:45, EP 12:30, PU 14:00, PW 14:45, AE 16:00,
  // GH 16:00: 390 minutes of work outside breaks and interruptions, 45 in the
  // break, 45 interrupted, all of it attended.
  EXPECT_EQ(SqlValue(db_, "select printf('%.2f %.2f %.2f %.2f %.2f %.2f %.2f %.2f %.2f', NzaNza, NzaBzA, NzaPza, "
                          "NzaAbz, NzaNzu, NzaUza, NzaBzu, NzaUbz, NzaPzu) from Kzt590Nza where NzaSa=1"),
            "390.00 435.00 45.00 435.00 45.00 45.00 45.00 45.00 0.00");
  EXPECT_EQ(SqlValue(db_, "select NzaErf from Kzt590Nza where NzaSa=1"), "Nza_MPA");
  EXPECT_EQ(SqlValue(db_, "select count(*) from Kzt561Mlt"), "0");

  EXPECT_EQ(SqlValue(db_, "select group_concat(ErrFnr || ' ' || coalesce(ErrPnr,'') || ' ' || ErrEdt, '; ') from "
                          "(select * from Kzt554Err order by ErrFnr)"),
            "7004 N7 2004-10-26 00:00:01; 7011  " + SqlValue(db_, "select ErrEdt from Kzt554Err where ErrFnr=7011"));
  EXPECT_EQ(SqlValue(db_, "select ErrPgm || ' ' || ErrBer || ' ' || ErrFun from Kzt554Err where ErrFnr=7004"),
            "Nza_MPA BDE NZM");
}

}  // namespace
