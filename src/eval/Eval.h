// Evaluation of the usage-time rows of one marker: the per-marker driver and
// the builders of a work row's temporary timeline.
#pragma once

#include "db/Records.h"
#include "run/Mel.h"

// Evaluates the closed work rows of the marker's workplace, order, order
// position and person and writes every row back. Returns the status of the
// cursor's open (when it failed) or of its close.
int Nza_MPA(MelSatz mel);

// Timeline builders. Each receives the run key that keys the timeline
// ("Nza_MPA", run key), a copy of the work row and the driver's running
// number, which it advances by one before every event it writes. A
// personnel number longer than the 8 characters of MltPnr is cut to 8.

// The row's own begin event (NzaBmk at NzaDtm) and end event (NzaEmk at
// NzaEdt).
void Mlt_BeginnEnde(const char* runKey, NzaSatz nza, int& lfn);

// Begin and end events of every interruption row (SA_B) of the same
// workplace, order, order position and person that begins within the row's
// span; a row of zero length collects the interruptions of its whole day.
void Mlt_Unterbr_Nza(const char* runKey, NzaSatz nza, int& lfn);

// Break events BP/EP of the break plan that the row's shift model (NzaEmo,
// NzaTtp) has on the row's begin day.
void Mlt_ZeitDaten_Bde(const char* runKey, NzaSatz nza, int& lfn);
