// Timeline events of rows kept under a personnel time model.
#pragma once

#include "db/Records.h"

// Writes the time-model events of every day the row touches (from the day
// before its begin date to its end date) into the timeline of the run key.
void Mlt_ZeitDaten_PZM(const char* runKey, NzaSatz nza);
