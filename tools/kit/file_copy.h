// Putting files into a release tree so that a server never shows half of one:
// each is written beside its place under a temporary name, then renamed.
// Files get mode 0644 and the folders made for them 0755 whatever the umask.
#pragma once
#include <string>

// What the temporary name adds to the file's own.
extern const char kPartSuffix[];

// Whether two files hold the same bytes.
bool SameFile(const std::string& a, const std::string& b);

// Copies `from` to `to`, creating its folders. An existing `to` is replaced in
// one step when `replace` is set; otherwise it makes the call fail. On failure
// `error` says why and nothing is left at `to`'s temporary name.
bool PlaceFile(const std::string& from, const std::string& to, bool replace, std::string* error);
// Writes `bytes` as the file `to`, replacing it in one step.
bool PlaceBytes(const std::string& bytes, const std::string& to, std::string* error);
