// Statement functions over the processing parameters, the calendar shift and
// the shift models' break plans. Each returns the database status.
#pragma once

#include "db/Records.h"

int Nzp_PKeyReadk(NzpSatz& nzp);
int Bak_Versatz_Read(BakSatz& bak);
int Emo_Pausen_Open(const char* emo, const char* ttp, const char* datum);
int Emo_Pausen_Read(EmoPmsSatz& rec);
int Emo_Pausen_Close();
