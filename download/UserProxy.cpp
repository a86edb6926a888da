#include "download/UserProxy.h"

#include <cstring>

#include "platform/autoproxy.h"
#include "platform/registry.h"

namespace {
const char kSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
// The connection record's flags word lies at byte 8; this bit is automatic detection.
constexpr size_t kFlagsOffset = 8;
constexpr uint32_t kAutoDetectFlag = 0x08;

std::string ReadText(const char* key, const char* name) {
  platform::RegValue v;
  if (!platform::RegRead(platform::RegRoot::kCurrentUser, key, name, &v)) return std::string();
  if (v.type != platform::RegType::kString && v.type != platform::RegType::kExpandString) return std::string();
  return v.data;
}

uint32_t ReadWordAt(const char* key, const char* name, size_t offset) {
  platform::RegValue v;
  uint32_t word = 0;
  if (!platform::RegRead(platform::RegRoot::kCurrentUser, key, name, &v) || v.data.size() < offset + 4) return 0;
  std::memcpy(&word, v.data.data() + offset, 4);  // little-endian, as Windows stores it
  return word;
}

std::string Origin(const HttpUrl& url) { return url.scheme + "://" + url.host + ":" + std::to_string(url.port); }
}  // namespace

InternetSettings ReadInternetSettings() {
  InternetSettings s;
  s.proxyEnable = ReadWordAt(kSettingsKey, "ProxyEnable", 0) != 0;
  s.proxyServer = ReadText(kSettingsKey, "ProxyServer");
  s.proxyOverride = ReadText(kSettingsKey, "ProxyOverride");
  s.autoConfigUrl = ReadText(kSettingsKey, "AutoConfigURL");
  const std::string connections = std::string(kSettingsKey) + "\\Connections";
  s.autoDetect = (ReadWordAt(connections.c_str(), "DefaultConnectionSettings", kFlagsOffset) & kAutoDetectFlag) != 0;
  return s;
}

UserProxyFinder::UserProxyFinder(InternetSettings settings) : settings_(std::move(settings)) {
  if (settings_.proxyEnable) manual_ = ProxyServerForHttp(settings_.proxyServer);
}

bool UserProxyFinder::Any() const {
  return !manual_.Direct() || settings_.autoDetect || !settings_.autoConfigUrl.empty();
}

HttpProxy UserProxyFinder::For(const HttpUrl& url) const {
  if (settings_.autoDetect || !settings_.autoConfigUrl.empty()) {
    HttpProxy answer;
    if (AutoAnswer(url, &answer)) return answer;
  }
  return ProxyOverrideCovers(settings_.proxyOverride, url) ? HttpProxy() : manual_;
}

bool UserProxyFinder::AutoAnswer(const HttpUrl& url, HttpProxy* proxy) const {
  // Held while asking: the two segments of one download wait for one answer.
  platform::LockGuard lock(mutex_);
  if (noAnswer_) return false;
  auto known = answers_.find(Origin(url));
  if (known == answers_.end()) {
    std::string list;
    if (!platform::AutoProxyForUrl(Origin(url) + url.path, settings_.autoDetect, settings_.autoConfigUrl, &list)) {
      noAnswer_ = true;
      return false;
    }
    // The first of the list the system names ("a:80; b:80" or "a:80 b:80"); empty: direct.
    known = answers_.emplace(Origin(url), ProxyServerForHttp(list.substr(0, list.find_first_of("; \t")))).first;
  }
  *proxy = known->second;
  return true;
}
