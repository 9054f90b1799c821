// Timestamps and time arithmetic on the program's digit texts:
// date yyyymmdd (char[9]), time HHMMSS (char[7]), timestamp (char[15]).
#pragma once

#include <cstdint>

// Kind 3: date "20%y%m%d" into a, time "%H%M%S" into b. Kind 4: timestamp
// "20%y%m%d%H%M%S" into a, b empty. Other kinds leave both empty. Returns 0.
int Get_Zeitstempel(char (&a)[40], char (&b)[9], int kind);

// Minutes of the day as HHMM00; 1440 gives "235959".
void Min_Uhrzeit(int minutes, char (&out)[7]);

// Moves a date by whole days through the calendar table; on any status but
// 0 the output is the input date. Returns the statement's status.
int Bak_DatumVersatz(int days, const char* datum, char (&out)[9]);

// seconds(a) - seconds(b) for two timestamps yyyymmddHHMMSS.
int32_t Zeit_Differenz(const char* a, const char* b);

int64_t Datum_Sekunden(int day, int month, int year);
int32_t Uhrzeit_Sekunden(const char* hhmmss);  // "HH:MM:SS"
void Zeit_Zerlegen(const char* timestamp, char (&datum)[11], char (&uhrzeit)[9]);
int32_t Tage_Zwischen(int d1, int m1, int y1, int d2, int m2, int y2);
int32_t Tag_ImJahr(int day, int month, int year);
int32_t Tage_ImMonat(int month, int year);
