// Plain records of the table rows the program exchanges with the database.
// Fields are named after their columns; a char[N] holds N-1 characters.
// A record is cleared by value-initialisation (`rec = {}`): numbers 0, texts
// empty.
#pragma once

#include <cstdint>

// Kzt563Mrk, one marker of the work queue.
struct MrkSatz {
  char MrkKng[4];
  char MrkApl[11];
  char MrkApk[13];
  char MrkApp[6];
  char MrkPnr[9];
  int32_t MrkBnr;
  char MrkObj[4];
  char MrkMdt[15];
  char MrkEsb[9];
};

// Kzt554Err, one run-protocol row.
struct ErrSatz {
  char ErrBer[4];
  char ErrFun[4];
  char ErrEdt[15];
  char ErrPnr[9];
  char ErrApk[13];
  char ErrApp[6];
  char ErrApl[11];
  int32_t ErrFnr;
  char ErrPgm[11];
  char ErrObj[4];
  char ErrErf[9];
};

// Kzt591Nzp, one processing parameter and validity period.
struct NzpSatz {
  int32_t NzpAkz;
  char NzpGvn[9];
  char NzpGbi[9];
  int32_t NzpAak;
  int32_t NzpAwt;
  int32_t NzpKjh;
  int32_t NzpKmn;
  int32_t NzpKwo;
  int32_t NzpKtg;
  int32_t NzpAan;
  int32_t NzpVfh;
  int32_t NzpNfh;
  char NzpAus[9];
  int32_t NzpMrk;
};

// Kzt590Nza, one usage-time row (NzaSa 1: work period, 2: interruption).
struct NzaSatz {
  int32_t NzaSa;
  char NzaApl[11];
  char NzaApk[13];
  char NzaApp[6];
  char NzaPnr[11];
  char NzaDtmDat[9];
  char NzaDtmUhr[7];
  int32_t NzaBeg;
  int32_t NzaBbn;
  int32_t NzaBln;
  char NzaBmk[4];
  char NzaEdtDat[9];
  char NzaEdtUhr[7];
  int32_t NzaEnd;
  int32_t NzaEbn;
  int32_t NzaEln;
  char NzaEmk[4];
  char NzaUbg[6];
  int32_t NzaRau;
  int32_t NzaVar;
  int32_t Nza00A;
  int32_t Nza00U;
  int32_t Nza00S;
  char NzaEmo[11];
  int32_t NzaWtg;
  int32_t NzaJtg;
  char NzaTtp[4];
  char NzaJwo[5];
  int32_t NzaWoc;
  int32_t NzaPzm;
  int32_t NzaMaz;
  double NzaGum;
  double NzaAum;
  double NzaNzr;
  double NzaBzr;
  double NzaUzr;
  double NzaPzr;
  double NzaRbz;
  double NzaNza;
  double NzaBzA;
  double NzaUza;
  double NzaPza;
  double NzaAbz;
  double NzaBzu;
  double NzaNzu;
  double NzaPzu;
  double NzaUbz;
  double NzaSol;
  double NzaIst;
  double NzaPau;
  double NzaRf1;
  double NzaRf2;
  double NzaRf3;
  int32_t NzaFnr;
  char NzaTnr[21];
  char NzaErf[9];
};

// Kzt561Mlt, one event of a temporary timeline.
struct MltSatz {
  char MltErf[9];
  char MltDat[15];
  int32_t MltLfn;
  char MltObj[4];
  char MltPnr[9];
  char MltApl[11];
  char MltApk[13];
  char MltApp[6];
  char Mlt00E[2];
  char Mlt00R[2];
  char Mlt00A[2];
  char Mlt00U[2];
  char Mlt00S[2];
  char MltBkg[2];
  char MltPbe[2];
  char MltArg[11];
  char MltEmo[11];
  char MltTtp[4];
  int32_t MltWoc;
  int32_t MltWtg;
  int32_t MltJtg;
  char MltJwo[5];
  char MltMdtDat[9];
  char MltMdtUhr[7];
  char MltUbg[6];
};

// KzSystem.Kzt133Bak, one calendar day; BakOff is the day offset the
// calendar-shift statement takes as input.
struct BakSatz {
  char BakDtm[9];
  int32_t BakJhr;
  int32_t BakMon;
  int32_t BakTag;
  int32_t BakWch;
  int32_t BakWtg;
  int32_t BakJtg;
  int32_t BakOff;
};

// One row of the break-plan cursor over Kzt533Emo, Kzt536Pmz, Kzt535Pms.
struct EmoPmsSatz {
  char EmoEmo[11];
  char EmoTtp[4];
  char EmoTxt[11];
  int32_t EmoBeg;
  int32_t EmoEnd;
  char PmsNum[6];
  int32_t PmsBeg;
  int32_t PmsEnd;
  int32_t PmsInt;
  int32_t PmsPse;
  int32_t PmsBzt;
  int32_t PmsPrz;
};

// The personnel time model of one person and day (Kzt329Ztg joined with
// Kzt140Azv and the calendar).
struct ZtgSatz {
  char ZtgPnr[9];
  char ZtgVon[9];
  char ZtgAzt[6];
  char AzvPsm[6];
  int32_t AzvMav;
  int32_t AzvMab;
  int32_t AzvNov;
  int32_t AzvNob;
  int32_t AzvGlv;
  int32_t AzvGlb;
  int32_t AzvKev;
  int32_t AzvKeb;
  int32_t AzvSol;
  int32_t BakWch;
  int32_t BakWtg;
  int32_t BakJtg;
  char ZtgTtp[4];
  char ZtgAgr[6];
};

// Kzt322Gaz, day-specific times of a person.
struct GazSatz {
  char GazPnr[9];
  char GazDtm[9];
  int32_t GazMav;
  int32_t GazMab;
  int32_t GazNov;
  int32_t GazNob;
  int32_t GazKev;
  int32_t GazGlv;
  int32_t GazGlb;
  int32_t GazKeb;
  int32_t GazSol;
};

// Kzt327Tag, the day frame of a person.
struct TagSatz {
  char TagPnr[9];
  char TagTag[9];
  char TagVon[9];
  char TagUhr[7];
  char TagBis[9];
  char TagEnd[7];
  char TagTgb[6];
  int32_t TagOne;
};

// Kzt328Bup, one personnel booking.
struct BupSatz {
  char BupPnr[9];
  char BupVon[9];
  char BupUhr[7];
  int32_t BupFkt;
  char BupBis[9];
  char BupEnd[7];
  int32_t BupFfk;
  int32_t BupTvo;
  int32_t BupTbi;
  int32_t BupAvo;
  int32_t BupAbi;
  int32_t BupWzv;
  int32_t BupWzb;
};

// Kzt143Pse, one entry of a break model.
struct PseSatz {
  char PseNum[6];
  int32_t PseLfd;
  int32_t PseVon;
  int32_t PseBis;
  int32_t PseMin;
  int32_t PseMax;
  int32_t PseInt;
  int32_t PsePse;
};

// Kzt323Gps, a personal override of one break entry on one day.
struct GpsSatz {
  char GpsPnr[9];
  char GpsDtm[9];
  int32_t GpsLfd;
  int32_t GpsVon;
  int32_t GpsBis;
  int32_t GpsMin;
  int32_t GpsMax;
  int32_t GpsInt;
  int32_t GpsPse;
};
