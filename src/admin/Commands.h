// The subcommands of welfrast-admin; each gets its own arguments with argv[0]
// the subcommand's name, and returns the process exit code.
#pragma once

// encrypt TEXT: prints the stored (encrypted) form of a settings value.
int Admin_Encrypt(int argc, char** argv);
