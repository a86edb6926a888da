#include "common/LogEvents.h"

#include "common/InstallLog.h"
#include "common/pubShare.h"
#include "platform/codepage.h"

using installlog::FromAnsi;

namespace {
const char* RootName(int root) {
  switch (root) {
    case kRootCurrentUser: return "HKCU";
    case kRootClassesRoot: return "HKCR";
    default: return "HKLM";
  }
}
}  // namespace

void LogRegistryWrite(int root, const std::string& key, const std::string& name, const std::string& data, bool ok) {
  std::string trimmed = key;
  if (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
  const std::string where = std::string(RootName(root)) + "\\" + FromAnsi(trimmed) + " " +
                            (name.empty() ? std::string("(default)") : FromAnsi(name));
  if (ok) installlog::Info("registry " + where + " = \"" + FromAnsi(data) + "\"");
  else installlog::Fail("registry " + where + " could not be written");
}

void LogMessageBox(const std::string& utf8Text) { installlog::Info("message box: " + utf8Text); }

bool LogFetchFailed(const std::string& url, const std::string& why) {
  installlog::Fail("fetch " + FromAnsi(url) + " failed: " + FromAnsi(why));
  return false;
}

void LogUnpackEntryFailed(const std::u16string& target, const std::string& why) {
  installlog::Fail("unpack: " + platform::WideToUtf8(target) + " not written: " + why);
}

void LogUnpackEntryFailed(const std::u16string& target, uint32_t error) {
  LogUnpackEntryFailed(target, "error " + installlog::ErrorWords(error));
}

void LogProxyFailure(const std::string& proxy, const std::string& url, const std::string& why) {
  installlog::Fail("proxy " + FromAnsi(proxy) + " failed for " + FromAnsi(url) + ": " + FromAnsi(why));
}
