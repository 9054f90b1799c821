// Statement functions over the processing parameters, the calendar shift and
// the break plans of the shift models. Each returns the database status;
// none of them logs.
#include "db/Dbstd.h"

#include "db/DbDriver.h"
#include "db/DbHost.h"
#include "db/DbStatus.h"

namespace {

static const char kNzpPKeyReadk[] =
    "select NzpAkz ,TO_CHAR(NzpGvn,'yyyymmdd') ,TO_CHAR(NzpGbi,'yyyymmdd') ,NzpAak ,NzpAwt ,NzpKjh ,"
    "NzpKmn ,NzpKwo ,NzpKtg ,NzpAan ,NzpVfh ,NzpNfh ,NzpAus ,NzpMrk into :b0:b1,:b2:b3,:b4:b5,:b6:b7,"
    ":b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,:b18:b19,:b20:b21,:b22:b23,:b24:b25,:b26:b27  from Kzt591Nzp "
    "where ((NzpAkz=:b0 and NzpGvn<trunc(sysdate)) and NzpGbi>trunc(sysdate))";

static const char kBakVersatz[] =
    "select TO_CHAR(BakDtm,'yyyymmdd') ,BakJhr ,BakMon ,BakTag ,BakWch ,BakWtg ,BakJtg into :b0:b1,:b2:b3,"
    ":b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13  from KzSystem.Kzt133Bak where BakDtm=(TO_DATE(:b14,'yyyymmdd')+:b15)";

static const char kEmoPausen[] =
    "select EmoEmo ,EmoTtp ,EmoTxt ,EmoBeg ,EmoEnd ,PmsNum ,PmsBeg ,PmsEnd ,PmsInt ,PmsPse ,PmsBzt ,"
    "PmsPrz  from Kzt533Emo ,Kzt536Pmz ,Kzt535Pms where (((((EmoEmo=:b0 and EmoTtp=:b1) and EmoPmo=PmzPmo) "
    "and PmzPms=PmsNum) and TO_CHAR(PmzGvo,'yyyymmdd')<=:b2) and TO_CHAR(PmzGbi,'yyyymmdd')>=:b2) order "
    "by EmoBeg";

// Host variables of the break cursor; they outlive the open.
struct {
  char emo[11];
  char ttp[4];
  char datum[9];
} hEmo;

}  // namespace

int Nzp_PKeyReadk(NzpSatz& nzp) {
  const DbIn in[] = {DbInInt("b0", nzp.NzpAkz)};
  const DbOut out[] = {
      DbOutInt(nzp.NzpAkz), DbOutTxt(nzp.NzpGvn), DbOutTxt(nzp.NzpGbi), DbOutInt(nzp.NzpAak),
      DbOutInt(nzp.NzpAwt), DbOutInt(nzp.NzpKjh), DbOutInt(nzp.NzpKmn), DbOutInt(nzp.NzpKwo),
      DbOutInt(nzp.NzpKtg), DbOutInt(nzp.NzpAan), DbOutInt(nzp.NzpVfh), DbOutInt(nzp.NzpNfh),
      DbOutTxt(nzp.NzpAus), DbOutInt(nzp.NzpMrk),
  };
  return Db_SelectInto(kNzpPKeyReadk, in, out);
}

int Bak_Versatz_Read(BakSatz& bak) {
  const DbIn in[] = {DbInTxt("b14", bak.BakDtm), DbInInt("b15", bak.BakOff)};
  const DbOut out[] = {
      DbOutTxt(bak.BakDtm), DbOutInt(bak.BakJhr), DbOutInt(bak.BakMon), DbOutInt(bak.BakTag),
      DbOutInt(bak.BakWch), DbOutInt(bak.BakWtg), DbOutInt(bak.BakJtg),
  };
  return Db_SelectInto(kBakVersatz, in, out);
}

int Emo_Pausen_Open(const char* emo, const char* ttp, const char* datum) {
  if (!Host_Txt(hEmo.emo, emo) || !Host_Txt(hEmo.ttp, ttp) || !Host_Txt(hEmo.datum, datum)) {
    return ORA_VALUE_TOO_LARGE;
  }
  const DbIn in[] = {DbInTxt("b0", hEmo.emo), DbInTxt("b1", hEmo.ttp), DbInTxt("b2", hEmo.datum)};
  return Db_Open(CUR_EMO_PAUSEN, kEmoPausen, in);
}

int Emo_Pausen_Read(EmoPmsSatz& rec) {
  const DbOut out[] = {
      DbOutTxt(rec.EmoEmo), DbOutTxt(rec.EmoTtp), DbOutTxt(rec.EmoTxt), DbOutInt(rec.EmoBeg),
      DbOutInt(rec.EmoEnd), DbOutTxt(rec.PmsNum), DbOutInt(rec.PmsBeg), DbOutInt(rec.PmsEnd),
      DbOutInt(rec.PmsInt), DbOutInt(rec.PmsPse), DbOutInt(rec.PmsBzt), DbOutInt(rec.PmsPrz),
  };
  return Db_Fetch(CUR_EMO_PAUSEN, out);
}

int Emo_Pausen_Close() { return Db_Close(CUR_EMO_PAUSEN); }
