#include "app/ServerConfig.h"

#include "common/pubShare.h"

#ifndef VELTARO_DOWNLOAD_HOST
#error "VELTARO_DOWNLOAD_HOST comes from the CMake cache"
#endif
#ifndef VELTARO_WEB_HOST
#error "VELTARO_WEB_HOST comes from the CMake cache"
#endif

namespace app {

const char kInstallerKey[] = "SOFTWARE\\Veltaro\\InstVeltaro\\";

namespace {

bool IsHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

std::string Override(const char* valueName, const std::string& compiled) {
  std::string v = ReadRegString(kInstallerKey, valueName);
  return IsBaseUrl(v) ? v : compiled;
}

}  // namespace

bool IsBaseUrl(const std::string& url) {
  static const std::string scheme = "http://";
  if (url.compare(0, scheme.size(), scheme) != 0 || url.size() < scheme.size() + 2 || url.back() != '/')
    return false;
  const std::string rest = url.substr(scheme.size(), url.size() - scheme.size() - 1);
  const size_t colon = rest.find(':');
  const std::string host = rest.substr(0, colon);
  if (host.empty()) return false;
  for (char c : host)
    if (!IsHostChar(c)) return false;
  if (colon == std::string::npos) return true;
  const std::string port = rest.substr(colon + 1);
  if (port.empty() || port.size() > 5) return false;
  long n = 0;
  for (char c : port) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  return n >= 1 && n <= 65535;
}

// What `veltaro-kit inspect` reads back from a built program.
extern const char kBuildFacts[];
const char kBuildFacts[] = "veltaro-build: download=" VELTARO_DOWNLOAD_HOST " web=" VELTARO_WEB_HOST "\n";

std::string DownloadBaseUrl() { return Override("DownloadBaseUrl", "http://" VELTARO_DOWNLOAD_HOST "/"); }
std::string ServiceBaseUrl() { return Override("ServiceBaseUrl", "http://" VELTARO_WEB_HOST ":8080/"); }
std::string WebSiteUrl() { return "http://" VELTARO_WEB_HOST "/"; }

}  // namespace app
