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
