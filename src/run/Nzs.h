// The batch run: start-up, the marker loop and the end of the run.
#pragma once

// The program's entry; returns the process exit code, always 0.
int Nzs_Ermitteln(int argc, char** argv);

// The marker loop over the NZS markers.
void Nzs_Verarbeiten();
