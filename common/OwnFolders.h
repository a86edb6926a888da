// The installer's own folders: made with rights only administrators change
// (platform/security.h), and never reached through a linked folder.
#pragma once
#include <string>

// Creates `path` and every missing parent, each created folder protected. False,
// with nothing created, when a folder on the way below the drive root is a link
// or `path` cannot be made.
bool MakeOwnFolders(const std::string& path);

// Makes `dir` (and `sub` below it, when given) its own as above; `protect`
// protects the existing `dir` (and `sub`) too. A linked folder anywhere below
// `dir` cannot be removed without reaching its target, so `dir` is moved aside
// whole and made anew. False when `dir` cannot be made or was not moved aside.
// A `dir` it made or protected is claimed (below).
bool PrepareOwnFolder(const std::string& dir, bool protect, const std::string& sub = std::string());

// Claims `dir`: from now on each folder ForceDirs creates below it (the unpack's,
// the downloads') is protected as well. PrepareOwnFolder claims its `dir`.
void ClaimFolder(const std::string& dir);
// Protects `path` when it lies below a claimed folder.
void ProtectIfClaimed(const std::string& path);
// Protects every folder below a claimed `dir`, links not followed (after the
// unpack made its folders by whatever means).
void ProtectBelowClaimed(const std::string& dir);
