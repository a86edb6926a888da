// Checks that keep every extracted file below the destination folder.
#pragma once
#include <string>

// A folder part (after decoding) or a stored file part that may be joined below
// the destination: no ".." component (nor one of dots and blanks that Windows
// trims to it), no control character, no device name such as "CON" or "COM1".
bool IsSafePathPart(const std::string& part);

// A plain file name to rename a file to: a safe part without separators,
// drive colons or characters that Windows does not allow in names.
bool IsPlainFileName(const std::string& name);

// A package's name as a manifest's url carries it (a file name and part of a
// URL, unescaped). Publish writes (and check expects) only plain file names of
// letters, digits and . _ - + ~ ( ) ! @. The installer takes more: any name but
// "", "." and "..", without control bytes or \ / : " (blanks, '#', '?', '%' and
// GBK pass), byte by byte: a GBK trail byte 0x5C is a backslash to a server.
enum class PackageNameRule { kInstallerTakes, kPublishWrites };
bool IsBarePackageName(const std::string& name, PackageNameRule rule);
