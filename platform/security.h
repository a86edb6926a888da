// The rights of the installer's own folders: only administrators change what
// is in them, whatever the rights of the folder above.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Protected (nothing inherited from above): Administrators and SYSTEM full
// control, Users read and execute, each passed on to what is created below.
constexpr char kOwnFolderSddl[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// Gives the folder at `path` the descriptor above and, where the rights allow,
// Administrators as its owner (an owner may always change a folder's rights).
// A linked folder is refused. On posix the folder becomes 0755.
uint32_t ProtectFolder(const std::string& path);

}  // namespace platform
