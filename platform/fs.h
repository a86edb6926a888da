// Files and folders, with Windows path rules. Paths are Windows paths in the ANSI
// code page; error results are Windows error codes (0 is success).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorHandleEof = 38;
constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorAlreadyExists = 183;

constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

bool FileExists(const std::string& path);  // a file, not a folder
bool CreateDir(const std::string& path);    // one level; false when it exists or fails
bool RemoveDir(const std::string& path);    // empty folder only
bool RemoveFile(const std::string& path);
// Fails when `to` exists, like MoveFileA.
bool RenameFile(const std::string& from, const std::string& to);
// Moves `from` over `to` in one step: a reader of `to` sees the old file or the
// new one, never neither.
bool MoveFileOver(const std::string& from, const std::string& to);
// The system's folder for temporary files, ending in a backslash.
std::string TempFolder();
uint32_t GetAttributes(const std::string& path);  // kInvalidAttributes when missing
bool SetAttributes(const std::string& path, uint32_t attrs);
// Whether `path` itself, not followed, is a symbolic link (a reparse point on Windows).
bool IsLink(const std::string& path);
// Whether `path` (a link followed) is a plain file: not a folder, pipe or device.
bool IsRegularFile(const std::string& path);
// Files 0644 and folders 0755 on posix whatever the umask, so that a web server
// running as another user reads what was written; nothing to do on Windows.
bool SetServedMode(const std::string& path);
uint32_t LastError();  // the error of the last failed call above, on this thread

struct DirEntry {
  std::string name;
  bool isDir = false;   // what the entry leads to, a link followed
  bool isLink = false;  // the entry itself is a symbolic link (a reparse point on Windows)
};
// The entries of a folder, without "." and "..".
bool ListDir(const std::string& dir, std::vector<DirEntry>* out);

std::string GetCurrentDir();
bool SetCurrentDir(const std::string& path);

// Opening a file that carries the read-only attribute for writing fails with
// kErrorAccessDenied, whoever runs the program (root under Wine included).
enum class OpenMode {
  kRead,          // existing file, read only
  kWrite,         // existing file, read and write, neither created nor truncated
  kCreateAlways,  // created or truncated, read and write
};

// Sharing as the other openers see it. Delete sharing is never granted, so a
// file cannot be renamed or deleted while one of these handles is open.
enum class Share { kRead, kReadWrite };

class File {
 public:
  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  uint32_t Open(const std::string& path, OpenMode mode, Share share = Share::kReadWrite);
  // The same by UTF-16 name (platform/wide_fs.h).
  uint32_t Open(const std::u16string& path, OpenMode mode, Share share = Share::kReadWrite);
  bool IsOpen() const;
  // Reads up to n bytes at the file position; *got is 0 at the end of the file.
  uint32_t Read(void* buf, uint32_t n, uint32_t* got);
  // Writes all n bytes at the file position, or fails.
  uint32_t Write(const void* buf, uint32_t n);
  // Writes all n bytes at `offset`; safe from several threads on different
  // handles of the same file. The file position afterwards is unspecified (Windows
  // moves it, posix does not): mix these with Read/Write only after a Seek.
  uint32_t WriteAt(int64_t offset, const void* buf, uint32_t n);
  uint32_t ReadAt(int64_t offset, void* buf, uint32_t n, uint32_t* got);
  uint32_t Seek(int64_t offset);  // from the beginning of the file
  uint32_t SetLength(int64_t length);
  int64_t Size();  // -1 on error
  // Last-write time from a DOS date and time in local time, as ZIP stores them.
  uint32_t SetDosTime(uint16_t dosDate, uint16_t dosTime);
  uint32_t GetDosTime(uint16_t* dosDate, uint16_t* dosTime);
  uint32_t Close();

  // --- Holding a file against change ---
  // Opens an existing file for reading and denies every other opener writes,
  // renames and deletes until it is closed: what is read through it is what
  // stays at its name. Others may still read it; a `movable` hold (which the
  // holder may move) admits only readers that allow the move.
  uint32_t OpenHeld(const std::string& path, bool movable = false);
  // Moves a file of a movable hold to `to`, replacing a file there, through the
  // handle itself: no one can change it between the last read and the move.
  uint32_t MoveHeldTo(const std::string& to);

  // --- One writer at a time ---
  // Opens `path` for reading and writing (created or truncated when `create`)
  // as its only writer: it fails with kErrorSharingViolation, leaving the file
  // as it was, while another handle writes the file, and no other handle may
  // open it for writing while this one is open. Posix has no share modes: there
  // only another sole writer is refused. Threads write through this one handle
  // at their own offsets with WriteAt.
  uint32_t OpenSoleWriter(const std::string& path, bool create);
  // Hands what was written through this handle to the disk.
  uint32_t Flush();

  // --- Names that are the program's own ---
  // Creates `path` for reading and writing only when nothing stands at that
  // name, not even a dangling link (kErrorFileExists otherwise).
  uint32_t CreateNew(const std::string& path);
  uint32_t CreateNew(const std::u16string& path);
  // How many names the open file has: a file to be reused in place must have one.
  uint32_t LinkCount(uint32_t* n);

 private:
#ifdef _WIN32
  void* handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
#else
  int fd_ = -1;
#endif
};

}  // namespace platform
