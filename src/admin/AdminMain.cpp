#include "admin/Admin.h"

int main(int argc, char** argv) { return Admin_Main(argc, argv); }
