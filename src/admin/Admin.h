// welfrast-admin: the operators' tool.
#pragma once

int Admin_Main(int argc, char** argv);
