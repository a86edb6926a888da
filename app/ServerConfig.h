// Where the maker's servers are. The hosts are compiled in (CMake cache
// variables VELTARO_DOWNLOAD_HOST and VELTARO_WEB_HOST); an administrator may
// point the installer at a mirror with the HKLM string values DownloadBaseUrl
// and ServiceBaseUrl under SOFTWARE\Veltaro\InstVeltaro\, each a whole base URL
// "http://HOST[:PORT]/". A value of any other form is ignored.
#pragma once
#include <string>

namespace app {

extern const char kInstallerKey[];  // "SOFTWARE\Veltaro\InstVeltaro\"

// "http://" + download host + "/": the manifest, the package and the drivers.
std::string DownloadBaseUrl();
// "http://" + web host + ":8080/": the base service once the download server failed it.
std::string ServiceBaseUrl();
// "http://" + web host + "/": the product's web site (uninstall entry).
std::string WebSiteUrl();

// Whether `url` is exactly "http://HOST/" or "http://HOST:PORT/" (host of
// letters, digits, '-' and '.', port 1 to 65535).
bool IsBaseUrl(const std::string& url);

}  // namespace app
