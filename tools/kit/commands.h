// The subcommands of veltaro-kit. Each takes the arguments after its own name
// and returns the process exit code.
#pragma once
#include <string>
#include <vector>

int CmdCrc(int argc, char** argv);
int CmdServe(int argc, char** argv);
int CmdFetch(int argc, char** argv);
int CmdUnpack(int argc, char** argv);
int CmdPublish(int argc, char** argv);
int CmdCheck(int argc, char** argv);
int CmdKeygen(int argc, char** argv);
int CmdLog(int argc, char** argv);

struct KitCommand {
  const char* name;
  const char* usage;
  const char* summary;
  const char* help;  // what `COMMAND --help` adds below the usage line
  int (*run)(int argc, char** argv);
};

// Windows path text of a command-line path: on the native build, slashes become
// backslashes so that the core's path rules apply; the posix platform maps them back.
std::string KitPath(const char* arg);

// The engine's last log lines on stderr, under a failure's message.
void PrintEngineLog(const std::vector<std::string>& log);
