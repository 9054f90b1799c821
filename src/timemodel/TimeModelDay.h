// The day-by-day steps behind Mlt_ZeitDaten_PZM: the working-time model of a
// day, the attendance events (planned times or bookings) and the break events
// with the removal of repeated codes.
#pragma once

#include "db/Records.h"

// Recorder key of every timeline the evaluation writes.
inline constexpr const char* PZM_MLTERF = "Nza_MPA";

// Fills the day record (ZtgPnr and ZtgVon set by the caller) with the model
// valid on the day and the day-specific times. Returns 1 when the day's events
// are to be built, 0 when the day is skipped. A day without a model gets a
// run-protocol row (7004).
int Azv_Tag_Ermitteln(ZtgSatz& ztg);

// Builds one day's events: attendance, then breaks and cleanup, numbered on
// from the highest MltLfn the timeline holds.
void Mlt_PA_Tag_PZM(const char* runKey, const ZtgSatz& ztg);

// Attendance of the day: "KM"/"GH" at the planned times when the day frame
// holds no bookings, otherwise "KM", "BP"/"EP" per gap and "GH" (numbered 999)
// from the bookings. `lfn` is the last MltLfn used; advanced per event.
void Mlt_PA_Daten_PZM(const char* runKey, const ZtgSatz& ztg, int& lfn);

// Break events of the day's break model ("BP"/"EP", personal overrides
// applied), then the removal of repeated codes over the whole timeline of the
// run key.
void Mlt_PA_Pausen_PZM(const char* runKey, const ZtgSatz& ztg, int& lfn);

// Clears `mlt` and fills the fields every time-model event of the day shares.
void Pzm_EreignisVorbereiten(MltSatz& mlt, const char* runKey, const ZtgSatz& ztg);

// Joins a date and a time into a timestamp with "%8s%6s".
void Pzm_Zeitpunkt(char (&out)[15], const char* datum, const char* uhrzeit);
