// The message record that the marker loop fills for each marker and hands to
// the evaluation; only these fields are used.
#pragma once

struct MelSatz {
  char KeyPnr[9];
  char KeyApl[11];
  char KeyApk[13];
  char KeyApp[6];
  char KeyDat[9];
  char KeyUhr[7];
  char MelErf[9];
};
