// The shell: starting a program through a verb, the running program's own
// path, the desktop folder, the folder picker, and the COM apartment the picker
// needs.
#pragma once
#include <string>

namespace platform {

// ShellExecuteExA with SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI, no working
// folder, SW_SHOWNORMAL. True when the shell reports success.
bool ShellExecuteVerb(void* owner, const std::string& verb, const std::string& file, const std::string& params);

// ShellExecuteA with the verb "open", no parameters, `dir` as the working folder
// and SW_SHOWNORMAL. True when the shell reports success.
bool ShellOpen(void* owner, const std::string& file, const std::string& dir);

// The user's desktop folder as the shell knows it (SHGetFolderPathA,
// CSIDL_DESKTOPDIRECTORY), without a trailing backslash; empty on failure.
std::string DesktopFolder();

// The full path of the running executable (ANSI), empty on failure.
std::string ModulePath();

// The shell's folder picker rooted at the desktop with BIF_RETURNONLYFSDIRS |
// BIF_NEWDIALOGSTYLE and no owner; `initial` (when not empty) is selected as the
// dialog opens. The chosen folder, or empty when cancelled or not a file-system
// folder. The prompt `title` is drawn from UTF-16, so it reads the same whatever
// the system's ANSI code page; the folders are ANSI paths as every path.
std::string PickFolder(const std::u16string& title, const std::string& initial);

// COM on this thread as a single-threaded apartment, for as long as it lives.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  [[maybe_unused]] bool ok_;  // read by the Windows side only
};

}  // namespace platform
