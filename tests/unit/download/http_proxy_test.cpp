// The proxy setting's forms and exceptions, and requests through a proxy: the
// loopback test server stands in for the proxy, so what it received is what a
// proxy would have been given.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/InstallLog.h"
#include "download/DownloadManager.h"
#include "download/HttpClient.h"
#include "download/HttpProxy.h"
#include "download/UserProxy.h"
#include "platform/socket.h"
#ifndef _WIN32
#include "platform/testing.h"
#endif
#include "tools/kit/http_server.h"
#include "tests/support/TempDir.h"
#include "engine_fixture.h"
#include "tests/support/FileAssert.h"

namespace {

HttpUrl Url(const std::string& text) {
  HttpUrl u;
  EXPECT_TRUE(ParseHttpUrl(text, &u)) << text;
  return u;
}

TEST(HttpProxyTest, ProxyServerForms) {
  struct Row {
    const char* value;
    const char* proxy;  // "" for direct
  } rows[] = {
      {"proxy.corp:3128", "proxy.corp:3128"},
      {"proxy.corp", "proxy.corp:80"},
      {"http://proxy.corp:8080/", "proxy.corp:8080"},
      {" 10.0.0.1:8080 ; 10.0.0.2:8080", "10.0.0.1:8080"},
      {"ftp=f:21;http=h.corp:8000;https=s:443", "h.corp:8000"},
      {"HTTP=h:81", "h:81"},
      {"https=s:443;socks=k:1080", ""},  // no proxy for plain http
      {"http=", ""},
      {"h:99999", ""},
      {"h:80x", ""},
      {"", ""},
  };
  for (const Row& r : rows) {
    const HttpProxy p = ProxyServerForHttp(r.value);
    EXPECT_EQ(p.Direct() ? "" : p.Text(), r.proxy) << r.value;
  }
}

TEST(HttpProxyTest, OverrideAndNoProxyRules) {
  struct Row {
    const char* list;
    const char* url;
    bool covered;
  } overrides[] = {
      {"<local>", "http://intranet/x", true},
      {"<local>", "http://dl.example.com/x", false},
      {"<local>", "http://127.0.0.1:8000/x", false},  // loopback goes through unless listed
      {"127.0.0.1", "http://127.0.0.1:8000/x", true},
      {"*.example.com", "http://DL.Example.COM/x", true},
      {"*.example.com", "http://example.com/x", false},
      {"10.*", "http://10.1.2.3/x", true},
      {"foo.com; 127.0.0.1:8080", "http://127.0.0.1:8080/x", true},
      {"127.0.0.1:8080", "http://127.0.0.1:8000/x", false},
      {"http://svc.corp", "http://svc.corp/x", true},
      {"*", "http://anything.at.all/x", true},
      {"", "http://intranet/x", false},
  };
  for (const Row& r : overrides) EXPECT_EQ(ProxyOverrideCovers(r.list, Url(r.url)), r.covered) << r.list << " " << r.url;

  struct NoProxyRow {
    const char* list;
    const char* host;
    bool covered;
  } noProxy[] = {
      {"example.com", "example.com", true},   {"example.com", "dl.example.com", true},
      {".example.com", "dl.example.com", true}, {"example.com", "badexample.com", false},
      {"localhost, 127.0.0.1", "127.0.0.1", true}, {"*", "any", true},
      {"*.example.com", "dl.example.com", false}, {"", "example.com", false},
  };
  for (const NoProxyRow& r : noProxy) EXPECT_EQ(NoProxyCovers(r.list, r.host), r.covered) << r.list << " " << r.host;
}

#ifndef _WIN32
// In the native build's registry, never the user's.
TEST(HttpProxyTest, UserSettingsFromTheRegistry) {
  namespace pt = platform::testing;
  using platform::RegRoot;
  using platform::RegType;
  pt::ResetRegistry();
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  auto dword = [](uint32_t v) { return platform::RegValue{RegType::kDword, std::string(reinterpret_cast<char*>(&v), 4)}; };
  EXPECT_FALSE(UserProxyFinder(ReadInternetSettings()).Any()) << "nothing set: direct, nothing asked";
  platform::RegWrite(RegRoot::kCurrentUser, key, "ProxyServer", {RegType::kString, "http=p.corp:3128;https=p.corp:3129"});
  platform::RegWrite(RegRoot::kCurrentUser, key, "ProxyOverride", {RegType::kString, "<local>;*.lan"});
  EXPECT_FALSE(UserProxyFinder(ReadInternetSettings()).Any()) << "a server without ProxyEnable is not used";
  platform::RegWrite(RegRoot::kCurrentUser, key, "ProxyEnable", dword(1));
  UserProxyFinder finder(ReadInternetSettings());
  EXPECT_EQ(finder.For(Url("http://dl.example.com/a")).Text(), "p.corp:3128");
  EXPECT_TRUE(finder.For(Url("http://nas.lan/a")).Direct());
  EXPECT_TRUE(finder.For(Url("http://intranet/a")).Direct());
  // An automatic setting natively has no answer, so the proxy named by hand holds.
  std::string flags(12, '\0');
  flags[8] = 0x09;
  platform::RegWrite(RegRoot::kCurrentUser, key + "\\Connections", "DefaultConnectionSettings", {RegType::kBinary, flags});
  const InternetSettings s = ReadInternetSettings();
  EXPECT_TRUE(s.autoDetect);
  EXPECT_EQ(UserProxyFinder(s).For(Url("http://dl.example.com/a")).Text(), "p.corp:3128");
  pt::ResetRegistry();
}
#endif

// Sets a process-wide finder for one test.
struct FinderScope {
  explicit FinderScope(const HttpProxyFinder* f) { SetHttpProxyFinder(f); }
  ~FinderScope() { SetHttpProxyFinder(nullptr); }
};

TEST(HttpProxyClientTest, RequestsGoToTheProxyWithTheAbsoluteUrl) {
  kit::HttpServer proxy;
  proxy.AddFile("/f.bin", std::string(5000, 'v'));
  ASSERT_TRUE(proxy.Start());
  kit::HttpServer origin;
  origin.AddFile("/f.bin", std::string(7, 'o'));
  ASSERT_TRUE(origin.Start());
  ManualProxyFinder finder({"127.0.0.1", proxy.Port()}, "127.0.0.1");
  FinderScope scope(&finder);
  // The origin's name resolves nowhere: only the proxy can have answered.
  EXPECT_EQ(TDownloadManager::GetResourceSize("http://origin.invalid:8080/f.bin"), 5000);
  HttpClient c;
  c.Request.rangeStart = 10;
  c.Request.rangeEnd = 19;
  c.BeginGet("http://origin.invalid/f.bin");
  EXPECT_EQ(c.ResponseCode(), 206);
  std::vector<std::string> req = proxy.Requests();
  ASSERT_EQ(req.size(), 2u);
  EXPECT_EQ(req[0], "HEAD http://origin.invalid:8080/f.bin HTTP/1.1\r\n"
                    "Content-Type: text/html\r\n"
                    "Host: origin.invalid:8080\r\n"
                    "Accept: text/html, */*\r\n"
                    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; Maxthon)\r\n\r\n");
  EXPECT_EQ(req[1].substr(0, req[1].find("\r\n")), "GET http://origin.invalid/f.bin HTTP/1.1");
  EXPECT_NE(req[1].find("\r\nRange: bytes=10-19\r\n"), std::string::npos);

  // A host the exceptions cover goes direct, with the request as ever.
  EXPECT_EQ(TDownloadManager::GetResourceSize(origin.Url("/f.bin")), 7);
  EXPECT_EQ(proxy.Requests().size(), 2u);
  ASSERT_EQ(origin.Requests().size(), 1u);
  EXPECT_EQ(origin.Requests()[0].substr(0, 20), "HEAD /f.bin HTTP/1.1");
}

TEST(HttpProxyClientTest, RefusingOrUnreachableProxyIsAnErrorNamingIt) {
  kit::HttpServer proxy;
  kit::ServerFaults f;
  f.status = 407;
  proxy.SetFaults(f);
  ASSERT_TRUE(proxy.Start());
  platform::Listener closed;
  ASSERT_TRUE(closed.Listen(0));
  const uint16_t nowhere = closed.Port();
  closed.Close();
  struct Row {
    uint16_t port;
    int status;
    const char* logged;
  } rows[] = {{proxy.Port(), 407, "refused: HTTP/1.1 407"}, {nowhere, 0, "could not be reached"}};
  testsupport::TempDir dir;
  for (const Row& r : rows) {
    installlog::Open(dir / "install.log", "run");
    ManualProxyFinder finder({"127.0.0.1", r.port}, "");
    FinderScope scope(&finder);
    try {
      HttpClient c;
      c.Head("http://origin.invalid/f.bin");
      ADD_FAILURE() << "no error through port " << r.port;
    } catch (const HttpError& e) {
      EXPECT_EQ(e.status(), r.status) << e.what();
      EXPECT_EQ(e.proxy(), "127.0.0.1:" + std::to_string(r.port)) << e.what();
    }
    EXPECT_EQ(TDownloadManager::GetResourceSize("http://origin.invalid/f.bin"), 0) << "the size request fails";
    installlog::Close();
    std::string log;
    testsupport::ReadFileBytes(dir / "install.log", &log);
    EXPECT_NE(log.find("FAIL  proxy 127.0.0.1:" + std::to_string(r.port) + " failed for http://origin.invalid/f.bin: " +
                       r.logged),
              std::string::npos)
        << log;
  }
}

// The engine behind a proxy keeps its two connections, each with its range.
TEST_F(EngineTest, BothSegmentsGoThroughTheProxy) {
  const std::string src = Publish(200001);
  ManualProxyFinder finder({"127.0.0.1", server_.Port()}, "");
  FinderScope scope(&finder);
  const std::string file = dir_ / "pkg.zip";
  auto job = TDownloadJob::Create("http://origin.invalid/pkg.zip", file, 2);
  ASSERT_TRUE(Ended(job));
  EXPECT_TRUE(job->Finished);
  EXPECT_TRUE(FileHolds(file, src));
  std::vector<std::string> targets;
  for (const std::string& r : server_.Requests()) {
    const size_t range = r.find("\r\nRange: ");
    targets.push_back(r.substr(0, r.find(" HTTP/1.1")) +
                      (range == std::string::npos ? "" : " " + r.substr(range + 9, r.find("\r\n", range + 2) - range - 9)));
  }
  std::sort(targets.begin(), targets.end());
  EXPECT_EQ(targets, (std::vector<std::string>{"GET http://origin.invalid/pkg.zip bytes=0-100000",
                                               "GET http://origin.invalid/pkg.zip bytes=100000-200001",
                                               "HEAD http://origin.invalid/pkg.zip"}));
}

}  // namespace
