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
// ProxyOverride covers the host; otherwise direct.
class UserProxyFinder : public HttpProxyFinder {
 public:
  explicit UserProxyFinder(InternetSettings settings);
  HttpProxy For(const HttpUrl& url) const override;
  // False when the settings name no proxy at all: nothing need be asked.
  bool Any() const;

 private:
  InternetSettings settings_;
  HttpProxy manual_;
  mutable platform::Mutex mutex_;
  struct Answer {
    bool given = false;  // false: the system had none
    HttpProxy proxy;
  };
  mutable std::map<std::string, Answer> answers_;  // the automatic answers, by origin
};
