// Writers of run-protocol rows (Kzt554Err).
#pragma once

#include "db/Records.h"
#include "run/Mel.h"

// Protocol row of a marker taken (ErrFnr 7011).
void Fehler_AuftragAfo(const MelSatz& mel);

// Protocol row of a finding of the evaluation; completes the row in place
// (ErrPgm "Nza_MPA", ErrErf empty, ErrBer "BDE", ErrFun "NZM").
void Write_Protokoll(ErrSatz& err);
