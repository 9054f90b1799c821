// The sweep: reads a work row's timeline in time order, keeps four flags
// (work, break, interruption, attendance) and adds the seconds between
// consecutive events to the counters the flags select.
#include "eval/Sweep.h"

#include <cstring>
#include <limits>

#include "db/DbMel.h"
#include "db/DbStatus.h"
#include "log/Log.h"
#include "run/Nzp.h"
#include "util/Text.h"
#include "util/Zeit.h"

NzaSatz NzaSatzB = {};
int NzaSatzBOffen = 0;

namespace {

bool Ziffern(const char* s, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return s[n] == '\0';
}

// A date of 8 and a time of 6 digits; an event read from a NULL date-time
// carries empty texts and cannot be measured.
bool Zeitpunkt_Vollstaendig(const char* dat, const char* uhr) { return Ziffern(dat, 8) && Ziffern(uhr, 6); }

void Zeitstempel(const char (&dat)[9], const char (&uhr)[7], char (&out)[15]) {
  std::memcpy(out, dat, 8);
  std::memcpy(out + 8, uhr, 6);
  out[14] = '\0';
}

// Counters are seconds in 32 bits; an absurdly long span saturates instead of
// wrapping around.
void Addiere(int32_t& summe, int32_t d) {
  int64_t s = static_cast<int64_t>(summe) + d;
  if (s > std::numeric_limits<int32_t>::max()) s = std::numeric_limits<int32_t>::max();
  if (s < std::numeric_limits<int32_t>::min()) s = std::numeric_limits<int32_t>::min();
  summe = static_cast<int32_t>(s);
}

// Steps 1 and 2 of every handler: count the interval up to this event under
// the flags in force before it, then make this event the previous one.
void Mlt_Ereignis_Zeit(MltZustand& z, const MltSatz& mlt) {
  if (z.FlagAB || z.FlagKM || z.FlagPU || z.FlagBP) {
    Txt_Copy(z.BisDtm, mlt.MltMdtDat);
    Txt_Copy(z.BisUhr, mlt.MltMdtUhr);
    Mlt_Intervall(z);
  }
  Txt_Copy(z.VonDtm, mlt.MltMdtDat);
  Txt_Copy(z.VonUhr, mlt.MltMdtUhr);
}

bool Ist(const char* obj, const char* code) { return std::strcmp(obj, code) == 0; }

}  // namespace

// Whole minutes plus the remaining seconds times 0.01, the factor applied in
// extended precision. That sum, stored as double, is the correctly rounded
// quotient of the exact hundredths for every 32-bit count of seconds; the
// quotient gives it on every platform, also where long double is no wider
// than double (there the product would be one step off for 476 s).
double Nza_Zeitwert(int32_t sekunden) {
  const int64_t hundertstel = static_cast<int64_t>(sekunden / 60) * 100 + sekunden % 60;
  return static_cast<double>(hundertstel) / 100.0;
}

MltEreignis Mlt_Ereignisart(const char* obj) {
  if (Ist(obj, "KM")) return MLT_KM;
  if (Ist(obj, "GH")) return MLT_GH;
  if (Ist(obj, "AB") || Ist(obj, "PA") || Ist(obj, "BG")) return MLT_AB;
  if (Ist(obj, "AE") || Ist(obj, "AT") || Ist(obj, "EG") || Ist(obj, "PE")) return MLT_AE;
  if (Ist(obj, "BP")) return MLT_BP;
  if (Ist(obj, "EP")) return MLT_EP;
  if (Ist(obj, "PU") || Ist(obj, "AU") || Ist(obj, "UG")) return MLT_PU;
  if (Ist(obj, "PW") || Ist(obj, "AW") || Ist(obj, "WG")) return MLT_PW;
  return MLT_UNBEKANNT;
}

void Mlt_Ereignis_KM(MltZustand& z, const MltSatz& mlt) {
  Mlt_Ereignis_Zeit(z, mlt);
  z.FlagKM = 1;
}

void Mlt_Ereignis_GH(MltZustand& z, const MltSatz& mlt) {
  Mlt_Ereignis_Zeit(z, mlt);
  z.FlagKM = 0;
}

void Mlt_Ereignis_AB(MltZustand& z, const MltSatz& mlt) {
  Mlt_Ereignis_Zeit(z, mlt);
  z.FlagAB = 1;
}

void Mlt_Ereignis_AE(MltZustand& z, const MltSatz& mlt) {
  Mlt_Ereignis_Zeit(z, mlt);
  z.FlagAB = 0;
}

void Mlt_Ereignis_BP(MltZustand& z, const MltSatz& mlt) {
  Mlt_Ereignis_Zeit(z, mlt);
  z.FlagBP = 1;
}

void Mlt_Ereignis_EP(MltZustand& z, const MltSatz& mlt) {
  Mlt_Ereignis_Zeit(z, mlt);
  z.FlagBP = 0;
}

void Mlt_Ereignis_PU(MltZustand& z, const MltSatz& mlt) {
  Mlt_Ereignis_Zeit(z, mlt);
  z.UbrUza = 0;
  z.UbrNzu = 0;
  z.UbrBzu = 0;
  z.UbrUbz = 0;
  z.UbrPzu = 0;
  z.FlagPU = 1;
}

void Mlt_Ereignis_PW(MltZustand& z, const MltSatz& mlt) {
  Mlt_Ereignis_Zeit(z, mlt);
  z.FlagPU = 0;
}

void Mlt_Intervall(MltZustand& z) {
  // Only complete instants are measured; the sweep never hands over others.
  if (!Zeitpunkt_Vollstaendig(z.BisDtm, z.BisUhr) || !Zeitpunkt_Vollstaendig(z.VonDtm, z.VonUhr)) return;
  char bis[15];
  char von[15];
  Zeitstempel(z.BisDtm, z.BisUhr, bis);
  Zeitstempel(z.VonDtm, z.VonUhr, von);
  const int32_t d = Zeit_Differenz(bis, von);

  if (!z.FlagAB) return;
  if (!z.FlagPU && !z.FlagBP) {
    Addiere(z.SumNza, d);
    Addiere(z.SumBzA, d);
    if (z.FlagKM) Addiere(z.SumAbz, d);
  } else if (!z.FlagPU && z.FlagBP) {
    Addiere(z.SumBzA, d);
    Addiere(z.SumPza, d);
    if (z.FlagKM) Addiere(z.SumAbz, d);
  } else if (z.FlagPU && !z.FlagBP) {
    Addiere(z.SumNzu, d);
    Addiere(z.SumUza, d);
    Addiere(z.SumBzu, d);
    Addiere(z.UbrNzu, d);
    Addiere(z.UbrUza, d);
    Addiere(z.UbrBzu, d);
    if (z.FlagKM) {
      Addiere(z.SumUbz, d);
      Addiere(z.UbrUbz, d);
    }
  } else {
    Addiere(z.SumPzu, d);
    Addiere(z.SumBzu, d);
    Addiere(z.UbrPzu, d);
    Addiere(z.UbrBzu, d);
    if (z.FlagKM) {
      Addiere(z.SumUbz, d);
      Addiere(z.UbrUbz, d);
    }
  }
}

MltEreignis Mlt_Ereignis(MltZustand& z, const MltSatz& mlt) {
  const MltEreignis art = Mlt_Ereignisart(mlt.MltObj);
  if (art == MLT_UNBEKANNT) return MLT_UNBEKANNT;
  if (!Zeitpunkt_Vollstaendig(mlt.MltMdtDat, mlt.MltMdtUhr)) return MLT_UNBEKANNT;
  switch (art) {
    case MLT_KM: Mlt_Ereignis_KM(z, mlt); break;
    case MLT_GH: Mlt_Ereignis_GH(z, mlt); break;
    case MLT_AB: Mlt_Ereignis_AB(z, mlt); break;
    case MLT_AE: Mlt_Ereignis_AE(z, mlt); break;
    case MLT_BP: Mlt_Ereignis_BP(z, mlt); break;
    case MLT_EP: Mlt_Ereignis_EP(z, mlt); break;
    case MLT_PU: Mlt_Ereignis_PU(z, mlt); break;
    case MLT_PW: Mlt_Ereignis_PW(z, mlt); break;
    case MLT_UNBEKANNT: break;
  }
  return art;
}

void Nza_SA_B_Readk(MltSatz mlt) {
  NzaSatzB = {};
  NzaSatzBOffen = 0;
  NzaSatzB.NzaSa = 2;
  Txt_Copy(NzaSatzB.NzaApl, mlt.MltApl);
  Txt_Copy(NzaSatzB.NzaApk, mlt.MltApk);
  Txt_Copy(NzaSatzB.NzaApp, mlt.MltApp);
  Txt_Copy(NzaSatzB.NzaPnr, mlt.MltPnr);
  Txt_Copy(NzaSatzB.NzaDtmDat, mlt.MltMdtDat);
  Txt_Copy(NzaSatzB.NzaDtmUhr, mlt.MltMdtUhr);
  const int st = Nza_PKeyReadk(NzaSatzB);
  if (st != 0) Log_Fmsg("Nza_SA_B_Readk()", "Nza_PKeyReadk", st);
  // NzaSatzB now holds the row, or only its key and zeros. A row that does
  // not exist (1403) is updated all the same: the update finds no row and
  // changes nothing. After any other failure the row may well exist, so it
  // must not be written from this buffer.
  NzaSatzBOffen = st == DB_OK || st == DB_NOTFOUND ? 1 : 0;
}

void Nza_SA_B_Upd(MltZustand z) {
  // No SA_B row read in this sweep for the interruption that ends here: a
  // stray end or a read that failed other than with 1403. A further end
  // after this one writes the same shares into the same row again: the
  // share counters grow only while an interruption is open, and its begin
  // reads the buffer anew.
  if (!NzaSatzBOffen) return;

  const bool rau = z.FlagRau == 1;
  NzaSatzB.NzaUza = Nza_Zeitwert(rau ? 0 : z.UbrUza);
  NzaSatzB.NzaUzr = Nza_Zeitwert(rau ? z.UbrUza : 0);
  NzaSatzB.NzaNzu = Nza_Zeitwert(rau ? 0 : z.UbrNzu);
  NzaSatzB.NzaBzu = Nza_Zeitwert(rau ? 0 : z.UbrBzu);
  NzaSatzB.NzaPzu = Nza_Zeitwert(rau ? 0 : z.UbrPzu);
  NzaSatzB.NzaUbz = Nza_Zeitwert(z.UbrUbz);
  NzaSatzB.NzaRf1 = Nza_Zeitwert(rau ? z.UbrPzu : 0);

  const int st = Nza_PKeyUpd(NzaSatzB);
  if (st != 0) Log_Fmsg("Nza_PKeyUpd(SA_B)", "Nza_PKeyUpd", st);
}

void Mlt_Auswertung(const char* runKey, NzaSatz& nza) {
  MltZustand z = {};
  NzaSatzBOffen = 0;

  if (Mlt_PKey_Open("Nza_MPA", runKey) == 0) {
    MltSatz mlt = {};
    while (Mlt_PKey_Read(mlt) == 0) {
      const MltEreignis art = Mlt_Ereignis(z, mlt);
      if (art == MLT_PU && Nzp5Aak) {
        Nza_SA_B_Readk(mlt);
      } else if (art == MLT_PW && Nzp5Aak) {
        z.FlagRau = nza.NzaRau == 1 ? 1 : 0;
        Nza_SA_B_Upd(z);
        z.FlagRau = 0;
      }
    }
    Mlt_PKey_Close();
  }
  NzaSatzBOffen = 0;

  nza.NzaNza = Nza_Zeitwert(z.SumNza);
  nza.NzaBzA = Nza_Zeitwert(z.SumBzA);
  nza.NzaUza = Nza_Zeitwert(z.SumUza);
  nza.NzaAbz = Nza_Zeitwert(z.SumAbz);
  nza.NzaPza = Nza_Zeitwert(z.SumPza);
  nza.NzaNzu = Nza_Zeitwert(z.SumNzu);
  nza.NzaBzu = Nza_Zeitwert(z.SumBzu);
  nza.NzaUbz = Nza_Zeitwert(z.SumUbz);
  nza.NzaPzu = Nza_Zeitwert(z.SumPzu);
  nza.NzaNzr = 0.0;
  nza.NzaBzr = 0.0;
  nza.NzaUzr = 0.0;
  nza.NzaRbz = 0.0;
  nza.NzaPzr = 0.0;
  nza.NzaSol = 0.0;
  nza.NzaIst = 0.0;
  nza.NzaPau = 0.0;
  nza.NzaRf1 = 0.0;
}
