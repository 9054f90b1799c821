// The subcommands of welfrast-admin; each gets its own arguments with argv[0]
// the subcommand's name, and returns the process exit code.
#pragma once

// encrypt TEXT: prints the stored (encrypted) form of a settings value.
int Admin_Encrypt(int argc, char** argv);

// init SERVICE: creates every table the batch reads or writes.
int Admin_Init(int argc, char** argv);

// calendar SERVICE FROM TO: adds the days FROM..TO to the calendar table.
int Admin_Calendar(int argc, char** argv);

// settings --login L --password P --service S [--force] FILE: writes the
// encrypted settings file.
int Admin_Settings(int argc, char** argv);

// demo DIR: a complete installation with a small shop's data.
int Admin_Demo(int argc, char** argv);

// report SERVICE [--workplace APL] [--person PNR]: what the batch left in the
// database.
int Admin_Report(int argc, char** argv);
