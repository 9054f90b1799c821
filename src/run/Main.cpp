#include "run/Nzs.h"

int main(int argc, char** argv) { return Nzs_Ermitteln(argc, argv); }
