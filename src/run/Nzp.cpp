#include "run/Nzp.h"

#include "db/Dbstd.h"
#include "db/Records.h"

int Nzp5Aak = 0;

void Nzp_Laden() {
  Nzp5Aak = 0;
  NzpSatz nzp{};
  nzp.NzpAkz = 5;
  // A NULL NzpAak reads as 0 and leaves the switch off.
  if (Nzp_PKeyReadk(nzp) == 0 && nzp.NzpAak == 1) Nzp5Aak = 1;
}
