// A command's arguments, read by one table, and the words for a wrong one.
#pragma once
#include <string>
#include <vector>

struct KitOption {
  const char* name;      // "--out"
  std::string* value;    // set for an option that takes a value
  bool* flag = nullptr;  // set for a switch
};

// Fills the values and switches of `options` and the arguments that are no
// option; false on a wrong argument, with *error naming it ("unknown option
// '--component' (did you mean --components?)").
bool ParseArguments(int argc, char** argv, const std::vector<KitOption>& options,
                    std::vector<std::string>* positional, std::string* error);

// Prints "veltaro-kit COMMAND: WHY" (when `why` is not empty) and the command's
// usage to stderr; returns the exit code of a usage error, 2.
int UsageError(const char* command, const std::string& why);
