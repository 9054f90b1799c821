// The processing-parameter switch of the run.
#pragma once

// 1 when the parameter of key 5 valid today is switched on; set once at start.
extern int Nzp5Aak;

// Loads Nzp5Aak from the parameter table.
void Nzp_Laden();
