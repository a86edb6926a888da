// A shell link (.lnk file) being made through the shell's link object.
#pragma once
#include <memory>
#include <string>

namespace platform {

class ShellLink {
 public:
  // Initialises COM on the calling thread (and leaves it initialised), then
  // creates the link object with its IShellLinkA and IPersistFile interfaces.
  ShellLink();
  ~ShellLink();
  ShellLink(const ShellLink&) = delete;
  ShellLink& operator=(const ShellLink&) = delete;

  // False when the object or one of its interfaces could not be had; Error()
  // then holds the system's text for the failure.
  bool Ok() const;
  const std::string& Error() const;

  // The results of these three are not reported, as callers ignore them.
  void SetPath(const std::string& target);
  void SetWorkingDirectory(const std::string& dir);
  void SetDescription(const std::string& text);
  // IPersistFile::Save to `path` (given as UTF-16), not remembered as the
  // object's current file; an existing file is replaced.
  bool Save(const std::string& path);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
