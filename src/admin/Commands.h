// The subcommands of welfrast-admin; each gets its own arguments with argv[0]
// the subcommand's name, and returns the process exit code.
#pragma once

// encrypt TEXT: prints the stored (encrypted) form of a settings value.
int Admin_Encrypt(int argc, char** argv);

// init SERVICE: creates every table the batch reads or writes.
int Admin_Init(int argc, char** argv);
