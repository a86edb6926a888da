// What the install log says about the running program at its start.
#pragma once
#include <string>

namespace platform {

// The program's command line as the system passed it, in UTF-8.
std::string CommandLineUtf8();
// Whether the program runs with an administrator's rights in force: a member of
// Administrators whose group is enabled (a filtered token of a Windows with user
// account control is not); root on posix.
bool IsElevated();

}  // namespace platform
