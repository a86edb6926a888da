// The subcommands of veltaro-kit. Each takes the arguments after its own name
// and returns the process exit code.
#pragma once

int CmdCrc(int argc, char** argv);
int CmdServe(int argc, char** argv);
int CmdFetch(int argc, char** argv);
int CmdUnpack(int argc, char** argv);

struct KitCommand {
  const char* name;
  const char* usage;
  const char* summary;
  int (*run)(int argc, char** argv);
};

// Windows path text of a command-line path: on the native build, slashes become
// backslashes so that the core's path rules apply; the posix platform maps them back.
#include <string>
std::string KitPath(const char* arg);
