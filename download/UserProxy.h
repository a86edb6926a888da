// The current user's Internet settings (what the browser uses) as the proxy
// finder of the installer.
#pragma once
#include <map>
#include <string>

#include "download/HttpProxy.h"
#include "platform/thread.h"

// The values of HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings.
struct InternetSettings {
  bool proxyEnable = false;   // ProxyEnable
  std::string proxyServer;    // ProxyServer
  std::string proxyOverride;  // ProxyOverride
  std::string autoConfigUrl;  // AutoConfigURL: the automatic configuration script
  bool autoDetect = false;    // "automatically detect settings" (Connections\DefaultConnectionSettings)
};

InternetSettings ReadInternetSettings();

// An automatic setting is asked first (the system's answer, once per scheme,
// host and port); without an answer, the proxy named by hand applies unless
// ProxyOverride covers the host; otherwise direct. A detection or script that
// gave no answer once is not asked again: it would give none for the next host
// either, and each asking may take seconds.
class UserProxyFinder : public HttpProxyFinder {
 public:
  explicit UserProxyFinder(InternetSettings settings);
  HttpProxy For(const HttpUrl& url) const override;
  // False when the settings name no proxy at all: nothing need be asked.
  bool Any() const;

 private:
  // The system's answer for this URL's origin; false when it has none.
  bool AutoAnswer(const HttpUrl& url, HttpProxy* proxy) const;

  InternetSettings settings_;
  HttpProxy manual_;
  mutable platform::Mutex mutex_;
  mutable std::map<std::string, HttpProxy> answers_;  // the automatic answers, by origin
  mutable bool noAnswer_ = false;                      // the system had none once
};
