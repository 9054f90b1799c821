// The sweep of one work row's timeline into the row's time values.
#pragma once

#include <cstdint>

#include "db/Records.h"

// State of one sweep.
struct MltZustand {
  char VonDtm[9];  // date and time of the previous handled event
  char VonUhr[7];
  char BisDtm[9];  // date and time of the current event
  char BisUhr[7];
  int32_t SumNza;  // seconds counters, one per bucket of the same suffix
  int32_t SumBzA;
  int32_t SumUza;
  int32_t SumAbz;
  int32_t SumPza;
  int32_t SumNzu;
  int32_t SumBzu;
  int32_t SumUbz;
  int32_t SumPzu;
  int32_t UbrUza;  // shares of the current interruption, cleared at its begin
  int32_t UbrNzu;
  int32_t UbrBzu;
  int32_t UbrUbz;
  int32_t UbrPzu;
  int FlagRau;     // 1 while Nza_SA_B_Upd runs for a work row with NzaRau 1
  int FlagAB;      // work open
  int FlagKM;      // attendance open
  int FlagPU;      // interruption open
  int FlagBP;      // break open
};

// Event groups of the sweep; MLT_UNBEKANNT for a code outside the table.
enum MltEreignis : int {
  MLT_UNBEKANNT = 0,
  MLT_KM,
  MLT_GH,
  MLT_AB,
  MLT_AE,
  MLT_BP,
  MLT_EP,
  MLT_PU,
  MLT_PW
};

// The interruption row (SA_B) read last by Nza_SA_B_Readk; lives for the run.
extern NzaSatz NzaSatzB;
// 1 while NzaSatzB holds the SA_B row read in the current sweep for the
// interruption that is open, or only its key when no such row exists (1403);
// only then does Nza_SA_B_Upd write it. Cleared at the start and end of every
// sweep and by every read that fails other than with 1403.
extern int NzaSatzBOffen;

// Seconds as a time value: whole minutes plus the remaining seconds times
// 0.01 (90 s give 1.30, -90 s give -1.30).
double Nza_Zeitwert(int32_t sekunden);

// Sweeps the timeline ("Nza_MPA", run key) and writes the eighteen buckets
// into the work row.
void Mlt_Auswertung(const char* runKey, NzaSatz& nza);

// Group of an event code (whole-text comparison).
MltEreignis Mlt_Ereignisart(const char* obj);

// Hands one event to its handler. An event whose code is outside the table,
// or whose date or time is not complete (8 and 6 digits), is skipped: it
// counts no time and does not become the previous event. Returns the group
// handled, MLT_UNBEKANNT for a skipped event.
MltEreignis Mlt_Ereignis(MltZustand& z, const MltSatz& mlt);

void Mlt_Ereignis_KM(MltZustand& z, const MltSatz& mlt);
void Mlt_Ereignis_GH(MltZustand& z, const MltSatz& mlt);
void Mlt_Ereignis_AB(MltZustand& z, const MltSatz& mlt);
void Mlt_Ereignis_AE(MltZustand& z, const MltSatz& mlt);
void Mlt_Ereignis_BP(MltZustand& z, const MltSatz& mlt);
void Mlt_Ereignis_EP(MltZustand& z, const MltSatz& mlt);
void Mlt_Ereignis_PU(MltZustand& z, const MltSatz& mlt);
void Mlt_Ereignis_PW(MltZustand& z, const MltSatz& mlt);

// Adds the seconds from Von to Bis to the counters the flags select.
void Mlt_Intervall(MltZustand& z);

// Reads the SA_B row that begins at the interruption-begin event into
// NzaSatzB.
void Nza_SA_B_Readk(MltSatz mlt);

// Writes the current interruption's shares into NzaSatzB and updates its row,
// when NzaSatzBOffen says the row was read for this interruption.
void Nza_SA_B_Upd(MltZustand z);
