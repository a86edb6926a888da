#include "unpack/ZipEntry.h"

#include "common/TextHelpers.h"
#include "platform/codepage.h"
#include "unpack/Utf8Name.h"

namespace {
bool HasHighBytes(const std::string& s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return true;
  }
  return false;
}

// Index just past the folder part. A name that is valid UTF-8 is scanned byte by
// byte (no UTF-8 byte can be "\" or ":"); any other name is taken as ANSI text,
// where a double-byte character's second byte may be 0x5C and is not a separator.
size_t FolderEnd(const std::string& name) {
  std::u16string unused;
  const bool ansi = HasHighBytes(name) && !DecodeUtf8Name(name, &unused);
  size_t end = 0;
  for (size_t i = 0; i < name.size(); i += ansi ? AnsiCharSize(name, i) : 1) {
    if (name[i] == '\\' || name[i] == ':') end = i + 1;
  }
  return end;
}
}  // namespace

void SetEntryName(ZipEntry* e, const std::string& storedName, bool fromDosHost) {
  std::string name = fromDosHost && HasHighBytes(storedName) ? platform::OemTextToAnsi(storedName) : storedName;
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  size_t end = FolderEnd(name);
  e->folderPart = name.substr(0, end);
  e->filePart = name.substr(end);
}

void SetInstalledName(ZipEntry* e, const std::string& storedName, bool utf8Flag) {
  std::u16string name = platform::Utf8ToWide(storedName);
  if (!utf8Flag && platform::WideToUtf8(name) != storedName) {
    name = platform::GbkToWide(storedName);
    if (name.empty()) name = platform::AnsiToWide(storedName);
  }
  size_t end = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == u'/') name[i] = u'\\';
    if (name[i] == u'\\' || name[i] == u':') end = i + 1;
  }
  e->installedFolder = name.substr(0, end);
  e->installedFile = name.substr(end);
}

void ClampDosDateTime(uint16_t* dosDate, uint16_t* dosTime) {
  unsigned day = *dosDate & 31, month = (*dosDate >> 5) & 15, year = *dosDate >> 9;
  unsigned sec2 = *dosTime & 31, minute = (*dosTime >> 5) & 63, hour = *dosTime >> 11;
  if (day < 1) day = 1;
  if (month < 1) month = 1;
  if (month > 12) month = 12;
  if (sec2 > 29) sec2 = 29;  // two-second units: 58 seconds
  if (minute > 59) minute = 59;
  if (hour > 23) hour = 23;
  *dosDate = static_cast<uint16_t>(year << 9 | month << 5 | day);
  *dosTime = static_cast<uint16_t>(hour << 11 | minute << 5 | sec2);
}
