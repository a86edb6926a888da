#include "unpack/PubZip.h"

#include "common/KpLib.h"
#include "platform/fs.h"
#include "unpack/ZipReader.h"

bool UnpackPackage(platform::File& package, const std::string& destination, const PumpHook& pump,
                   ExtractResult* detail) {
  try {
    const std::string dest = StripTrailingBackslash(destination);
    if (dest.empty()) return false;  // no folder: names would start at the drive's root
    TZipReader zip;
    if (!zip.Open(package)) return false;
    ExtractResult r = ExtractAll(zip, dest, pump);
    if (detail) *detail = r;
    return r.count > 0 && !r.failed;
  } catch (...) {
    return false;  // out of memory, or an error escaping the caller's hook
  }
}

bool UnpackPackage(const std::string& packageFile, const std::string& destination, const PumpHook& pump,
                   ExtractResult* detail) {
  platform::File package;
  if (package.OpenHeld(packageFile) != 0) return false;
  return UnpackPackage(package, destination, pump, detail);
}

bool UnpackPackage(const std::string& packageFile, const std::string& destination) {
  // A quit seen here stays posted for the message loop; the unpack goes on.
  return UnpackPackage(packageFile, destination, [](const UnpackProgress&) { PumpMessages(); });
}
