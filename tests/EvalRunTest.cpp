// End-to-end run of the batch over one marker's usage-time rows: the work
// row's time values, the interruption row's share, the open row left as it
// was, the timeline gone. On every engine.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "EngineFixture.h"
#include "RunFixture.h"

namespace {

class EvalRun : public RunTreeTest {
 protected:
  void Nza(int sa, const std::string& dtm, const std::string& edt, const char* bmk, const char* emk, int end) {
    tree_.Sql(
        "insert into Kzt590Nza (NzaSa,NzaApl,NzaApk,NzaApp,NzaPnr,NzaDtm,NzaBmk,NzaEdt,NzaEmk,NzaEnd,NzaRau,"
        "NzaEmo,NzaTtp,NzaPzm,NzaNzr,NzaBzr,NzaUzr,NzaPzr,NzaRbz,NzaNza,NzaBzA,NzaUza,NzaPza,NzaAbz,NzaNzu,"
        "NzaBzu,NzaPzu,NzaUbz,NzaSol,NzaIst,NzaPau,NzaRf1,NzaRf2,NzaRf3,NzaErf) values (" +
        std::to_string(sa) + ",'APL1','K1','P1','N7','" + dtm + "','" + bmk + "'," +
        (edt.empty() ? std::string("NULL") : "'" + edt + "'") + ",'" + emk + "'," + std::to_string(end) +
        ",0,'EMO1','T1',0,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,9.99,"
        "9.99,9.99,9.99,3.21,4.32,'ALT')");
  }

  static std::string Where(int sa, const char* dtm) {
    return " from Kzt590Nza where NzaSa=" + std::to_string(sa) + " and NzaDtm='" + dtm + "'";
  }
  std::string Val(const std::string& expr, int sa, const char* dtm) {
    return tree_.Value("select " + expr + Where(sa, dtm));
  }
  // The columns' amounts with two decimals, separated by blanks.
  std::string Amounts(const std::string& columns, int sa, const char* dtm) {
    return tree_.Amounts("select " + columns + Where(sa, dtm));
  }
};

TEST_P(EvalRun, TypicalMarkerWithTheInterruptionShareSwitchedOn) {
  tree_.Sql("insert into Kzt591Nzp (NzpAkz,NzpGvn,NzpGbi,NzpAak) values (5,'" + TableDay(-1) + "','" + TableDay(1) +
            "',1)");
  tree_.Sql(
      "insert into Kzt563Mrk (MrkKng,MrkApl,MrkApk,MrkApp,MrkPnr,MrkBnr,MrkObj,MrkMdt,MrkEsb) "
      "values ('NZS','APL1','K1','P1','N7',1,'OBJ','2004-10-26 16:00:00','E')");
  tree_.Sql("insert into Kzt533Emo (EmoEmo,EmoTtp,EmoTxt,EmoBeg,EmoEnd,EmoPmo) values "
            "('EMO1','T1','Frueh',360,840,'PMO1')");
  tree_.Sql("insert into Kzt536Pmz (PmzPmo,PmzPms,PmzGvo,PmzGbi) values "
            "('PMO1','PMS1','2004-01-01 00:00:00','2004-12-31 00:00:00')");
  tree_.Sql("insert into Kzt535Pms (PmsNum,PmsBeg,PmsEnd,PmsInt,PmsPse,PmsBzt,PmsPrz) values "
            "('PMS1',720,750,0,0,0,0)");
  Nza(1, "2004-10-26 08:00:00", "2004-10-26 16:00:00", "AB", "AE", 1);
  Nza(2, "2004-10-26 14:00:00", "2004-10-26 14:45:00", "PU", "PW", 1);
  Nza(1, "2004-10-26 17:00:00", "", "AB", "", 0);

  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    EXPECT_EQ(tree_.Batch({"NACHTLAUF"}), 0);
    EXPECT_EQ(tree_.Log().size(), 0u) << ReadFile(tree_.logPath());

    const char* a = "2004-10-26 08:00:00";
    EXPECT_EQ(Amounts("NzaNza, NzaBzA, NzaPza, NzaNzu, NzaUza, NzaBzu", 1, a), "405.00 435.00 30.00 45.00 45.00 45.00");
    EXPECT_EQ(Amounts("NzaAbz, NzaUbz, NzaPzu, NzaSol, NzaRf1, NzaNzr, NzaPau", 1, a),
              "0.00 0.00 0.00 0.00 0.00 0.00 0.00");
    EXPECT_EQ(Amounts("NzaRf2, NzaRf3", 1, a), "3.21 4.32");
    EXPECT_EQ(Val("NzaErf", 1, a), "Nza_MPA");
    EXPECT_EQ(Val("NzaEdt", 1, a), "2004-10-26 16:00:00");
    EXPECT_NE(Val("NzaDat", 1, a), "<null>");

    const char* b = "2004-10-26 14:00:00";
    EXPECT_EQ(Amounts("NzaUza, NzaUzr, NzaNzu, NzaBzu, NzaPzu, NzaUbz, NzaRf1", 2, b),
              "45.00 0.00 45.00 45.00 0.00 0.00 0.00");
    EXPECT_EQ(Amounts("NzaNza, NzaSol", 2, b), "9.99 9.99");
    EXPECT_EQ(Val("NzaErf", 2, b), "ALT");

    const char* o = "2004-10-26 17:00:00";
    EXPECT_EQ(Amounts("NzaNza, NzaSol", 1, o), "9.99 9.99");
    EXPECT_EQ(Val("NzaErf", 1, o), "ALT");
    EXPECT_EQ(Val("NzaEdt", 1, o), "<null>");

    EXPECT_EQ(tree_.Value("select count(*) from Kzt561Mlt"), "0");
    EXPECT_EQ(tree_.Value("select count(*) from Kzt590Nza"), "3");
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, EvalRun, AllEngines(), EngineName);

}  // namespace
