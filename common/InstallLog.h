// The install log: one file per machine (InstVeltaro\install.log), appended by
// every run, so that a maker's support can tell why an install went wrong. UTF-8
// with a byte-order mark (Notepad on XP then shows the Chinese lines), CR LF line
// ends, one line per event:
//   2026-12-08 14:03:12 START VeltaroSetup 1.0.0, ...
//   2026-12-08 14:03:13 INFO  manifest http://...
//   2026-12-08 14:03:20 FAIL  package checksum 1A2B3C, the manifest says 99AA
// A log that cannot be opened or written is left alone for the rest of the run:
// nothing here ever stops or noticeably slows the install. Safe from any thread.
#pragma once
#include <cstdint>
#include <string>

namespace installlog {

enum class Kind { kStart, kInfo, kFail };

// From this size on, the log is moved to install.log.1 when a run opens it.
constexpr int64_t kRotateBytes = 1 << 20;

// Opens the log at `path` for this run and writes `startLine` (a kStart line)
// into it. The file is never written through a link: the earlier runs' lines
// are copied into a fresh file that is moved over the name (a log of
// kRotateBytes or more goes to path + ".1" the same way, and the run starts a
// new one). While the folder does not exist yet, lines are kept in memory and
// the open is tried again with each line until it does.
void Open(const std::string& path, const std::string& startLine);
// The log handed to the disk and closed; later lines are dropped until the
// next Open.
void Close();
// One line: the local time, the kind, `utf8` (line breaks become spaces).
// Dropped when no log is open.
void Write(Kind kind, const std::string& utf8);
inline void Info(const std::string& utf8) { Write(Kind::kInfo, utf8); }
inline void Fail(const std::string& utf8) { Write(Kind::kFail, utf8); }

// Text in the ANSI code page (paths, URLs, the engine's lines) as UTF-8.
std::string FromAnsi(const std::string& ansi);
// "5 (Access is denied.)": a Windows error code with the system's own words.
std::string ErrorWords(uint32_t code);

// The tag each kind carries after the time, five characters wide; the kit's log
// reader finds runs and failures by it.
const char* KindTag(Kind kind);

}  // namespace installlog
