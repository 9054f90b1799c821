// Evaluation of the usage-time rows of one marker.
#pragma once

#include "run/Mel.h"

// Evaluates the closed work rows of the marker's workplace, order, order
// position and person and writes every row back. Returns the status of the
// cursor's open (when it failed) or of its close.
int Nza_MPA(MelSatz mel);
