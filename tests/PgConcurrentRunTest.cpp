// The batch on PostgreSQL while other sessions write the same tables: one
// holds a changed work row past the lock timeout, one locks another work row
// for a moment, one keeps inserting markers, usage-time, protocol and
// timeline rows. The batch waits where the lock goes away in time, fails the
// one write whose lock does not (logged with its status), goes on with the
// rest and ends; no row committed by either side is lost.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "EngineFixture.h"
#include "RunFixture.h"
#include "db/DbStatus.h"
#include "db/PgDriver.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Conn {
  PGconn* c = nullptr;
  ~Conn() {
    if (c != nullptr) PQfinish(c);
  }
};

class PgConcurrentRun : public ::testing::Test {
 protected:
  void SetUp() override { tree_.Install(); }

  void Marker(const char* apl, const char* pnr, int bnr) {
    tree_.Sql(std::string("insert into Kzt563Mrk (MrkKng,MrkApl,MrkApk,MrkApp,MrkPnr,MrkBnr,MrkObj,MrkMdt,MrkEsb) "
                          "values ('NZS','") +
              apl + "','K1','P1','" + pnr + "'," + std::to_string(bnr) + ",'OBJ','2004-10-27 16:00:00','E')");
  }
  void Row(const char* apl, const char* pnr, const char* day) {
    tree_.Sql(std::string("insert into Kzt590Nza (NzaSa,NzaApl,NzaApk,NzaApp,NzaPnr,NzaDtm,NzaBmk,NzaEdt,NzaEmk,"
                          "NzaEnd,NzaRau,NzaEmo,NzaTtp,NzaPzm,NzaNza,NzaBzA,NzaErf,NzaTnr) values (1,'") +
              apl + "','K1','P1','" + pnr + "','" + day + " 08:00:00','AB','" + day + " 16:00:00','AE',1,0,'','',0,"
              "9.99,9.99,'ALT','TNR')");
  }
  std::string Col(const char* col, const char* apl, const char* day) {
    return tree_.Value(std::string("select ") + col + " from Kzt590Nza where NzaApl='" + apl + "' and NzaDtm='" +
                       day + " 08:00:00'");
  }

  RunTree tree_{"postgresql"};
};

TEST_F(PgConcurrentRun, LockedRowsWaitOrFailCleanlyAndNoCommittedRowIsLost) {
  Marker("APL1", "N1", 1);
  Marker("APL2", "N2", 2);
  Marker("APL3", "N3", 3);
  Row("APL1", "N1", "2004-10-26");  // A: changed by another session that commits too late
  Row("APL1", "N1", "2004-10-27");  // the marker's next row
  Row("APL2", "N2", "2004-10-26");  // B: locked for a moment
  Row("APL3", "N3", "2004-10-26");

  const std::string uri = tree_.server()->uri();
  Conn hold, brief, monitor, writer;
  for (Conn* c : {&hold, &brief, &monitor, &writer}) {
    c->c = PgTestConnect(uri);
    ASSERT_NE(c->c, nullptr);
  }
  ASSERT_TRUE(PgTry(hold.c, "BEGIN; UPDATE Kzt590Nza SET NzaTnr='ANDERES' WHERE NzaApl='APL1' AND "
                            "NzaDtm='2004-10-26 08:00:00'"));
  ASSERT_TRUE(PgTry(brief.c, "BEGIN; SELECT NzaSa FROM Kzt590Nza WHERE NzaApl='APL2' FOR UPDATE"));
  const std::string holdPid = std::to_string(PQbackendPID(hold.c));
  const std::string briefPid = std::to_string(PQbackendPID(brief.c));

  std::atomic<bool> done{false};
  std::atomic<bool> blockedByHold{false}, blockedByBrief{false}, released{false};
  // Watches the batch's sessions: once one waits for the brief lock (the
  // held row has timed out by then), both other transactions commit.
  std::thread watch([&] {
    auto blockedBy = [&](const std::string& pid) {
      return PgValue(monitor.c, "select count(*) from pg_stat_activity where application_name='welfrast' and " +
                                    pid + " = any(pg_blocking_pids(pid))") != "0";
    };
    const auto deadline = Clock::now() + std::chrono::seconds(50);
    while (!done && Clock::now() < deadline) {
      if (!blockedByHold && blockedBy(holdPid)) blockedByHold = true;
      if (!released && blockedBy(briefPid)) {
        blockedByBrief = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        PgTry(brief.c, "COMMIT");
        PgTry(hold.c, "COMMIT");
        released = true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  // Keeps writing rows of its own into the batch's tables, each committed.
  int markers = 0, rows = 0, protocol = 0, events = 0;
  std::thread write([&] {
    for (int i = 0; i < 1000 && !done; ++i) {
      char dtm[32];
      std::snprintf(dtm, sizeof dtm, "2004-11-%02d %02d:%02d:00", 1 + i / 600, i / 60 % 10, i % 60);
      const std::string n = std::to_string(i);
      markers += PgTry(writer.c, "insert into Kzt563Mrk (MrkKng,MrkApl,MrkApk,MrkApp,MrkPnr,MrkBnr,MrkMdt) values "
                                 "('XYZ','APL9','K9','P9','N9'," + n + ",'2004-10-27 16:00:00')");
      rows += PgTry(writer.c, "insert into Kzt590Nza (NzaSa,NzaApl,NzaApk,NzaApp,NzaPnr,NzaDtm,NzaBmk,NzaEmk) "
                              "values (2,'APL9','K9','P9','N9','" + std::string(dtm) + "','PU','PW')");
      protocol += PgTry(writer.c, "insert into Kzt554Err (ErrPgm,ErrFnr,ErrBnr,ErrEdt) values ('ANDERES',1," + n +
                                      ",'2004-10-27 16:00:00')");
      events += PgTry(writer.c, "insert into Kzt561Mlt (MltErf,MltDat,MltLfn,MltObj) values "
                                "('ANDERES','20041026120000'," + n + ",'AB')");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });

  const auto start = Clock::now();
  const int rc = tree_.Batch({"NACHTLAUF"});
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  done = true;
  watch.join();
  write.join();
  if (!released) {
    PgTry(brief.c, "COMMIT");
    PgTry(hold.c, "COMMIT");
  }

  EXPECT_EQ(rc, 0) << tree_.BatchOutput();
  EXPECT_TRUE(blockedByHold);
  EXPECT_TRUE(blockedByBrief);
  // It waited out the lock timeout once, then a moment; never longer.
  EXPECT_GE(ms, PG_LOCK_TIMEOUT_MS - 100);
  EXPECT_LT(ms, 2 * PG_LOCK_TIMEOUT_MS + 5000);

  std::vector<LogLine> log = tree_.Log();
  ASSERT_EQ(log.size(), 1u) << ReadFile(tree_.logPath());
  EXPECT_EQ(log[0].funktion, "Nza_MPA_Arbeitszeit");
  EXPECT_EQ(log[0].message, "Nza_PKeyUpd");
  EXPECT_EQ(log[0].errorCode, ORA_RESOURCE_BUSY);

  // The held row keeps the other session's change and its old values; every
  // other row is evaluated, the briefly locked one included.
  EXPECT_EQ(Col("NzaTnr", "APL1", "2004-10-26"), "ANDERES");
  EXPECT_EQ(Col("NzaErf", "APL1", "2004-10-26"), "ALT");
  EXPECT_EQ(tree_.Amounts("select NzaNza, NzaBzA from Kzt590Nza where NzaApl='APL1' and "
                          "NzaDtm='2004-10-26 08:00:00'"),
            "9.99 9.99");
  for (const auto& [apl, day] : {std::pair{"APL1", "2004-10-27"}, {"APL2", "2004-10-26"}, {"APL3", "2004-10-26"}}) {
    SCOPED_TRACE(std::string(apl) + " " + day);
    EXPECT_EQ(Col("NzaErf", apl, day), "Nza_MPA");
    EXPECT_EQ(Col("NzaTnr", apl, day), "TNR");
    EXPECT_EQ(tree_.Amounts(std::string("select NzaNza, NzaBzA from Kzt590Nza where NzaApl='") + apl +
                            "' and NzaDtm='" + day + " 08:00:00'"),
              "480.00 480.00");
  }

  // Every row the other session committed is there, next to the batch's.
  EXPECT_GT(markers, 0);
  EXPECT_EQ(tree_.Value("select count(*) from Kzt563Mrk where MrkKng='XYZ'"), std::to_string(markers));
  EXPECT_EQ(tree_.Value("select count(*) from Kzt563Mrk where MrkKng='NZS'"), "3");
  EXPECT_EQ(tree_.Value("select count(*) from Kzt590Nza where NzaApl='APL9'"), std::to_string(rows));
  EXPECT_EQ(tree_.Value("select count(*) from Kzt590Nza where NzaApl<>'APL9'"), "4");
  EXPECT_EQ(tree_.Value("select count(*) from Kzt554Err where ErrPgm='ANDERES'"), std::to_string(protocol));
  EXPECT_EQ(tree_.Value("select count(*) from Kzt554Err where ErrFnr=7011"), "3");
  EXPECT_EQ(tree_.Value("select count(*) from Kzt561Mlt where MltErf='ANDERES'"), std::to_string(events));
  EXPECT_EQ(tree_.Value("select count(*) from Kzt561Mlt where MltErf<>'ANDERES'"), "0");
  EXPECT_EQ(rows, markers);
  EXPECT_EQ(protocol, markers);
  EXPECT_EQ(events, markers);
  EXPECT_TRUE(tree_.server()->NoOpenTransaction());
}

}  // namespace
