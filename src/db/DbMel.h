// Statement functions over the marker, protocol, usage-time, timeline,
// calendar and personnel time-model tables. Each returns the database status.
#pragma once

#include "db/Records.h"

// Marker queue.
int Mrk_Kng_Open(const MrkSatz& mrk);
int Mrk_Kng_Read(MrkSatz& mrk);
int Mrk_Kng_Close();

// Run protocol.
int Err_PKeyIns(const ErrSatz& err);

// Usage-time rows.
int Nza_PKey_Open(NzaSatz nza);
int Nza_PKey_Read(NzaSatz& nza);
int Nza_PKey_Close();
int Nza_PKeyReadk(NzaSatz& nza);
int Nza_PKeyUpd(const NzaSatz& nza);
int Nza_Unterbr_Open(NzaSatz nza);
int Nza_Unterbr_Read(NzaSatz& nza);
int Nza_Unterbr_Close();

// Timeline.
int Mlt_PKeyIns(const MltSatz& mlt);
int Mlt_PKeyDel(MltSatz mlt);
int Mlt_PKey_Open(const char* erf, const char* dat);
int Mlt_PKey_Read(MltSatz& mlt);
int Mlt_PKey_Close();
int Mlt_MaxLfn(const char* dat, const char* erf, int& lfn);
int Mlt_Loeschen(const char* dat);

// Calendar period.
int Bak_Zeitraum_Open(const char* von, const char* bis);
int Bak_Zeitraum_Read(BakSatz& bak);
int Bak_Zeitraum_Close();

// Personnel time model.
int Ztg_AzvTag_Open(const char* pnr, const char* datum);
int Ztg_AzvTag_Read(ZtgSatz& ztg);
int Ztg_AzvTag_Close();
int Gaz_PKeyReadk(GazSatz& gaz);
int Tag_PKeyReadk(TagSatz& tag);
int Bup_AbrTag_Open(const TagSatz& tag);
int Bup_AbrTag_Read(BupSatz& bup);
int Bup_AbrTag_Close();
int Pse_PKey_Open(const char* psenum);
int Pse_PKey_Read(PseSatz& pse);
int Pse_PKey_Close();
int Gps_PKeyReadk(GpsSatz& gps);

// The number the last data-access statement held for a marker or booking:
// MrkBnr of the marker fetched last, NzaBbn of the usage-time row fetched
// last. The protocol insert binds it as ErrBnr.
int32_t Db_LetzteBnr();
