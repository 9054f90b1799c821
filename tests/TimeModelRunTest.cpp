// End-to-end run of the batch over a work row kept under a personnel time
// model: attendance from the bookings, the booking gap merged with the model
// break, the day without a model in the run protocol, the timeline gone.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "EngineFixture.h"
#include "RunFixture.h"

namespace {

class TimeModelRun : public RunTreeTest {
 protected:
  void Nza(int sa, const std::string& dtm, const std::string& edt, const char* bmk, const char* emk) {
    tree_.Sql(
            "insert into Kzt590Nza (NzaSa,NzaApl,NzaApk,NzaApp,NzaPnr,NzaDtm,NzaBmk,NzaEdt,NzaEmk,NzaEnd,NzaRau,"
            "NzaEmo,NzaTtp,NzaPzm,NzaNzr,NzaBzr,NzaUzr,NzaPzr,NzaRbz,NzaNza,NzaBzA,NzaUza,NzaPza,NzaAbz,NzaNzu,"
            "NzaBzu,NzaPzu,NzaUbz,NzaSol,NzaIst,NzaPau,NzaRf1,NzaRf2,NzaRf3,NzaErf) values (" +
                std::to_string(sa) + ",'APL1','K1','P1','N7','" + dtm + "','" + bmk + "','" + edt + "','" + emk +
                "',1,0,'EMO1','T1',1,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,"
                "9.99,9.99,9.99,3.21,4.32,'ALT')");
  }

};

TEST_P(TimeModelRun, BookedAttendanceWithMergedBreakAndADayWithoutModel) {
  tree_.Sql("insert into Kzt591Nzp (NzpAkz,NzpGvn,NzpGbi,NzpAak) values (5,'" + TableDay(-1) + "','" + TableDay(1) +
                   "',0)");
  tree_.Sql(
          "insert into Kzt563Mrk (MrkKng,MrkApl,MrkApk,MrkApp,MrkPnr,MrkBnr,MrkObj,MrkMdt,MrkEsb) "
          "values ('NZS','APL1','K1','P1','N7',1,'OBJ','2004-10-27 16:00:00','E')");
  for (int d = 25; d <= 28; ++d) {
    tree_.Sql("insert into Kzt133Bak (BakDtm,BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg) values ('2004-10-" +
                     std::to_string(d) + " 00:00:00',2004,10," + std::to_string(d) + ",44," +
                     std::to_string(d - 24) + "," + std::to_string(274 + d) + ")");
  }
  // Model on the 27th only; the 26th, the day before the row, has none.
  tree_.Sql("insert into Kzt140Azv (AzvNum,AzvGvo,AzvPsm,AzvMav,AzvMab,AzvNov,AzvNob,AzvGlv,AzvGlb,AzvKev,"
               "AzvKeb,AzvSol) values ('M1','2004-01-01 00:00:00','PS1',0,0,420,960,0,0,0,0,0)");
  tree_.Sql("insert into Kzt329Ztg (ZtgPnr,ZtgVon,ZtgAzt,ZtgAgr,ZtgTtp) values "
               "('N7','2004-10-27 00:00:00','M1','AG','T1')");
  tree_.Sql("insert into Kzt327Tag (TagPnr,TagTag,TagVon,TagUhr,TagBis,TagEnd,TagTgb,TagOne) values "
               "('N7','2004-10-27 00:00:00','2004-10-27 00:00:00','2004-10-27 06:00:00','2004-10-27 00:00:00',"
               "'2004-10-27 16:00:00','',0)");
  auto booking = [&](const char* von, const char* bis, int tvo, int tbi) {
    tree_.Sql(std::string("insert into Kzt328Bup (BupPnr,BupVon,BupUhr,BupFkt,BupBis,BupEnd,BupFfk,BupTvo,"
                             "BupTbi,BupAvo,BupAbi,BupWzv,BupWzb) values ('N7','2004-10-27 00:00:00','") +
                     von + "',0,'2004-10-27 00:00:00','" + bis + "',0," + std::to_string(tvo) + "," +
                     std::to_string(tbi) + ",0,0,0,0)");
  };
  booking("2004-10-27 07:00:00", "2004-10-27 12:00:00", 420, 720);
  booking("2004-10-27 12:30:00", "2004-10-27 16:00:00", 750, 960);
  // Model break 11:45 to 12:15 overlaps the booking gap 12:00 to 12:30.
  tree_.Sql("insert into Kzt143Pse (PseNum,PseLfd,PseVon,PseBis,PseMin,PseMax,PseInt,PsePse) values "
               "('PS1',1,705,735,0,0,0,0)");
  Nza(1, "2004-10-27 08:00:00", "2004-10-27 16:00:00", "AB", "AE");
  Nza(2, "2004-10-27 14:00:00", "2004-10-27 14:45:00", "PU", "PW");

  EXPECT_EQ(tree_.Batch({"NACHTLAUF"}), 0);
  EXPECT_EQ(tree_.Log().size(), 0u) << ReadFile(tree_.logPath());

  // KM 07:00, AB 08:00, BP 11:45, EP 12:30, PU 14:00, PW 14:45, AE 16:00,
  // GH 16:00: 390 minutes of work outside breaks and interruptions, 45 in the
  // break, 45 interrupted, all of it attended.
  EXPECT_EQ(tree_.Amounts("select NzaNza, NzaBzA, NzaPza, NzaAbz, NzaNzu, NzaUza, NzaBzu, NzaUbz, NzaPzu from "
                          "Kzt590Nza where NzaSa=1"),
            "390.00 435.00 45.00 435.00 45.00 45.00 45.00 45.00 0.00");
  EXPECT_EQ(tree_.Value("select NzaErf from Kzt590Nza where NzaSa=1"), "Nza_MPA");
  EXPECT_EQ(tree_.Value("select count(*) from Kzt561Mlt"), "0");

  std::string protocol;
  for (const std::vector<std::string>& r : tree_.Rows("select ErrFnr, ErrPnr, ErrEdt from Kzt554Err order by ErrFnr")) {
    if (!protocol.empty()) protocol += "; ";
    protocol += r[0] + " " + (r[1] == "<null>" ? "" : r[1]) + " " + r[2];
  }
  EXPECT_EQ(protocol, "7004 N7 2004-10-26 00:00:01; 7011  " +
                          tree_.Value("select ErrEdt from Kzt554Err where ErrFnr=7011"));
  EXPECT_EQ(tree_.Value("select ErrPgm || ' ' || ErrBer || ' ' || ErrFun from Kzt554Err where ErrFnr=7004"),
            "Nza_MPA BDE NZM");
}

INSTANTIATE_TEST_SUITE_P(Engines, TimeModelRun, AllEngines(), EngineName);

}  // namespace
