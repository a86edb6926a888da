// The HTTP client against the loopback test server and against a scripted
// server that answers with exactly the bytes a test gives it.
#include <gtest/gtest.h>

#include <atomic>

#include "download/DownloadManager.h"
#include "download/HttpClient.h"
#include "platform/socket.h"
#include "platform/system.h"
#include "platform/thread.h"
#include "tools/kit/http_server.h"

namespace {

// Answers one connection per reply, in order: reads the request head, sends
// the reply (a kPause in it waits 100 ms there), then closes, or for the last
// reply holds the connection open until the client goes away when asked.
constexpr char kPause = '\x01';

class ScriptedServer {
 public:
  explicit ScriptedServer(std::string reply, bool holdOpen = false)
      : ScriptedServer(std::vector<std::string>{std::move(reply)}, holdOpen) {}
  explicit ScriptedServer(std::vector<std::string> replies, bool holdOpen = false)
      : replies_(std::move(replies)), hold_(holdOpen) {
    EXPECT_TRUE(listener_.Listen(0));
    thread_ = platform::Thread([this] {
      for (size_t i = 0; i < replies_.size(); ++i) {
        platform::Socket s;
        if (!listener_.Accept(&s, 5000)) return;
        std::string head;
        char buf[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
          int got = s.Recv(buf, sizeof buf, 5000);
          if (got <= 0) return;
          head.append(buf, static_cast<size_t>(got));
        }
        const std::string& reply = replies_[i];
        for (size_t at = 0; at < reply.size();) {
          size_t pause = reply.find(kPause, at);
          size_t end = pause == std::string::npos ? reply.size() : pause;
          if (!s.SendAll(reply.data() + at, end - at)) break;
          if (pause != std::string::npos) platform::SleepMs(100);
          at = end + 1;
        }
        while (hold_ && i + 1 == replies_.size() && s.Recv(buf, sizeof buf, 5000) > 0) {
        }
      }
    });
  }
  ~ScriptedServer() { thread_.Join(); }
  std::string Url(const char* host = "127.0.0.1") const {
    return std::string("http://") + host + ":" + std::to_string(listener_.Port()) + "/x";
  }

 private:
  std::vector<std::string> replies_;
  bool hold_;
  platform::Listener listener_;
  platform::Thread thread_;
};

// Answers a redirect to /next whose body follows bodyDelayMs after its head
// (never, when negative), then answers the next connection with "ok". Notes
// whether that next connection came before the redirect's body was sent.
class RedirectBodyServer {
 public:
  RedirectBodyServer(std::string head, std::string body, int bodyDelayMs) {
    EXPECT_TRUE(listener_.Listen(0));
    thread_ = platform::Thread([this, head, body, bodyDelayMs] {
      platform::Socket first, second;
      if (!listener_.Accept(&first, 5000) || !ReadHead(first)) return;
      first.SendAll(head.data(), head.size());
      if (bodyDelayMs >= 0) {
        early_ = listener_.Accept(&second, static_cast<uint32_t>(bodyDelayMs));
        first.SendAll(body.data(), body.size());
        if (head.find("Content-Length") == std::string::npos && head.find("chunked") == std::string::npos) {
          first.Close();
        }
      }
      if (!second.IsOpen() && !listener_.Accept(&second, 10000)) return;
      if (!ReadHead(second)) return;
      const char ok[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
      second.SendAll(ok, sizeof ok - 1);
      char c;
      while (second.Recv(&c, 1, 5000) > 0) {
      }
    });
  }
  ~RedirectBodyServer() { thread_.Join(); }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(listener_.Port()) + "/x"; }
  bool FollowedEarly() const { return early_; }

 private:
  static bool ReadHead(platform::Socket& s) {
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      int got = s.Recv(buf, sizeof buf, 5000);
      if (got <= 0) return false;
      head.append(buf, static_cast<size_t>(got));
    }
    return true;
  }
  platform::Listener listener_;
  std::atomic<bool> early_{false};
  platform::Thread thread_;
};

// The error status of a call, 0 when it succeeded, -1 for an error without one.
template <typename F>
int ErrorOf(F call) {
  try {
    call();
    return 0;
  } catch (const HttpError& e) {
    return e.status() ? e.status() : -1;
  }
}

TEST(HttpRequestTest, RequestBytesFollowTheFixedHeaderOrder) {
  HttpUrl u;
  ASSERT_TRUE(ParseHttpUrl("http://dl.example.com/a/b.zip?v=1", &u));
  HttpRequestHeaders h;
  h.userAgent = kEngineUserAgent;
  h.rangeStart = 50;
  h.rangeEnd = 101;
  EXPECT_EQ(BuildHttpRequest("GET", u, h, "a=1; b=2"),
            "GET /a/b.zip?v=1 HTTP/1.1\r\n"
            "Content-Type: text/html\r\n"
            "Host: dl.example.com\r\n"
            "Accept: text/html, */*\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; Maxthon)\r\n"
            "Range: bytes=50-101\r\n"
            "Cookie: a=1; b=2\r\n\r\n");

  ASSERT_TRUE(ParseHttpUrl("http://svc.example.com:8080", &u));
  h = HttpRequestHeaders();
  h.rangeStart = 7;
  EXPECT_EQ(BuildHttpRequest("HEAD", u, h, ""),
            "HEAD / HTTP/1.1\r\n"
            "Content-Type: text/html\r\n"
            "Host: svc.example.com:8080\r\n"
            "Accept: text/html, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
            "Range: bytes=7-\r\n\r\n");
}

TEST(HttpRequestTest, UrlsAndLocations) {
  HttpUrl u;
  EXPECT_TRUE(ParseHttpUrl("HTTPS://h/p", &u));
  EXPECT_EQ(u.port, 443);
  EXPECT_FALSE(ParseHttpUrl("ftp://h/p", &u));
  EXPECT_FALSE(ParseHttpUrl("http://h:99999/p", &u));
  EXPECT_FALSE(ParseHttpUrl("http:///p", &u));
  EXPECT_FALSE(ParseHttpUrl("http://h/p\r\nX-Injected: 1", &u));
  // A fragment is never sent and never part of the host.
  ASSERT_TRUE(ParseHttpUrl("http://h/p?q#frag/x", &u));
  EXPECT_EQ(u.path, "/p?q");
  ASSERT_TRUE(ParseHttpUrl("http://h:82#top", &u));
  EXPECT_EQ(u.host, "h");
  EXPECT_EQ(u.port, 82);
  EXPECT_EQ(u.path, "/");

  ASSERT_TRUE(ParseHttpUrl("http://h:81/d/e/f.txt?q", &u));
  const std::pair<const char*, const char*> locations[] = {
      {"/g", "http://h:81/g"},
      {"g.txt", "http://h:81/d/e/g.txt"},
      {"http://o/z", "http://o/z"},
      {"//o:8080/z", "http://o:8080/z"},
      {"?v=2", "http://h:81/d/e/f.txt?v=2"},
      {"", "http://h:81/d/e/f.txt?q"},
      {"#part", "http://h:81/d/e/f.txt?q"},
      {"../x", "http://h:81/d/x"},
      {"./x?a=../b", "http://h:81/d/e/x?a=../b"},
      {"../../../x", "http://h:81/x"},
      {"/a/./b/../c", "http://h:81/a/c"},
      {"x#y", "http://h:81/d/e/x"},
      {"..", "http://h:81/d/"},
  };
  for (const auto& l : locations) EXPECT_EQ(ResolveLocation(u, l.first), l.second) << "\"" << l.first << "\"";
}

TEST(HttpResponseTest, ParsersRejectWhatTheyCannotBound) {
  EXPECT_EQ(ParseLength(" 42 "), 42);
  EXPECT_EQ(ParseLength("2147483647"), 2147483647);
  EXPECT_EQ(ParseLength("2147483648"), -1);
  EXPECT_EQ(ParseLength("-1"), -1);
  EXPECT_EQ(ParseLength("12abc"), -1);
  int64_t n = 0;
  EXPECT_TRUE(ParseChunkSize("1a;ext=1", &n));
  EXPECT_EQ(n, 26);
  EXPECT_FALSE(ParseChunkSize("fffffffff", &n));
  EXPECT_FALSE(ParseChunkSize("80000000", &n));
  EXPECT_FALSE(ParseChunkSize("", &n));
  EXPECT_TRUE(ParseContentRangeStart("bytes 50-101/101", &n));
  EXPECT_EQ(n, 50);
  EXPECT_FALSE(ParseContentRangeStart("bytes */101", &n));
  HttpResponseHead h;
  EXPECT_TRUE(ParseStatusLine("HTTP/1.1 206 Partial Content", &h));
  EXPECT_EQ(h.status, 206);
  EXPECT_EQ(h.statusText, "Partial Content");
  EXPECT_FALSE(ParseStatusLine("HTTP/2 200 OK", &h));
  EXPECT_FALSE(ParseStatusLine("HTTP/1.1 2x0 OK", &h));
  EXPECT_FALSE(ParseHeaderLine("no colon", &h));
}

TEST(HttpResponseTest, FoldedValuesStayTrimmed) {
  HttpResponseHead h;
  ASSERT_TRUE(ParseStatusLine("HTTP/1.1 200 OK", &h));
  ASSERT_TRUE(ParseHeaderLine("Transfer-Encoding:", &h));
  ASSERT_TRUE(ParseHeaderLine("  chunked ", &h));
  EXPECT_EQ(h.Get("Transfer-Encoding"), "chunked") << "a value that starts on the folded line has no leading blank";
  ASSERT_TRUE(ParseHeaderLine("X-Two: one", &h));
  ASSERT_TRUE(ParseHeaderLine("\t two  ", &h));
  ASSERT_TRUE(ParseHeaderLine(" \t", &h));
  EXPECT_EQ(h.Get("X-Two"), "one two");
  ASSERT_EQ(h.headers.size(), 2u);
  HttpResponseHead fresh;
  EXPECT_FALSE(ParseHeaderLine(" orphan", &fresh)) << "nothing to continue";
  EXPECT_TRUE(fresh.headers.empty());
}

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    body_.resize(70000);
    for (size_t i = 0; i < body_.size(); ++i) body_[i] = static_cast<char>(i * 7 + i / 251);
    server_.AddFile("/f.bin", body_);
    server_.AddFile("/empty", "");
    ASSERT_TRUE(server_.Start());
  }
  std::string body_;
  kit::HttpServer server_;
};

TEST_F(HttpClientTest, SizeRequestSendsExactHeadBytes) {
  EXPECT_EQ(TDownloadManager::GetResourceSize(server_.Url("/f.bin")), 70000);
  std::vector<std::string> req = server_.Requests();
  ASSERT_EQ(req.size(), 1u);
  EXPECT_EQ(req[0], "HEAD /f.bin HTTP/1.1\r\n"
                    "Content-Type: text/html\r\n"
                    "Host: 127.0.0.1:" + std::to_string(server_.Port()) + "\r\n"
                    "Accept: text/html, */*\r\n"
                    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; Maxthon)\r\n\r\n");
  // No Content-Length: undetermined; a missing resource: an error.
  kit::ServerFaults f;
  f.noContentLength = true;
  server_.SetFaults(f);
  EXPECT_EQ(TDownloadManager::GetResourceSize(server_.Url("/f.bin")), -1);
  EXPECT_EQ(TDownloadManager::GetResourceSize(server_.Url("/missing")), 0);
  EXPECT_EQ(TDownloadManager::GetResourceSize(server_.Url("/empty")), -1);
}

TEST_F(HttpClientTest, BodiesByLengthByChunksAndToClose) {
  for (int mode = 0; mode < 3; ++mode) {
    kit::ServerFaults f;
    f.chunked = mode == 1;
    f.noContentLength = mode == 2;
    server_.SetFaults(f);
    HttpClient c;
    std::string got;
    c.Get(server_.Url("/f.bin"), &got);
    EXPECT_EQ(c.ResponseCode(), 200);
    EXPECT_TRUE(got == body_) << "mode " << mode;
  }
  // Exact-length reads across chunk boundaries.
  kit::ServerFaults f;
  f.chunked = true;
  server_.SetFaults(f);
  HttpClient c;
  c.BeginGet(server_.Url("/f.bin"));
  std::string got(body_.size(), '\0');
  c.ReadExact(&got[0], 10240);
  c.ReadExact(&got[10240], got.size() - 10240);
  EXPECT_TRUE(got == body_);
  char extra;
  EXPECT_THROW(c.ReadExact(&extra, 1), HttpError);
}

TEST_F(HttpClientTest, ErrorStatusesCarryTheirCode) {
  EXPECT_EQ(ErrorOf([&] { HttpClient c; std::string b; c.Get(server_.Url("/missing"), &b); }), 404);
  kit::ServerFaults f;
  f.status = 500;
  server_.SetFaults(f);
  EXPECT_EQ(ErrorOf([&] { HttpClient c; c.BeginGet(server_.Url("/f.bin")); }), 500);
  f.status = 401;
  server_.SetFaults(f);
  EXPECT_EQ(ErrorOf([&] { HttpClient c; c.Head(server_.Url("/f.bin")); }), 401);
}

TEST_F(HttpClientTest, FifteenRequestsInARowAtMost) {
  {
    HttpClient c;
    c.FollowRedirects = true;
    std::string got;
    c.Get(server_.Url("/redirect/14/f.bin"), &got);
    EXPECT_EQ(c.ResponseCode(), 200);
    EXPECT_TRUE(got == body_);
    EXPECT_EQ(server_.Requests().size(), 15u);
  }
  {
    HttpClient c;
    c.FollowRedirects = true;
    std::string got;
    c.Get(server_.Url("/redirect/15/f.bin"), &got);  // the 15th answer is itself a redirect
    EXPECT_EQ(c.ResponseCode(), 302);
    EXPECT_EQ(c.Response().Get("Location"), "/f.bin");
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(server_.Requests().size(), 30u);
  }
  EXPECT_EQ(ErrorOf([&] { HttpClient c; c.Head(server_.Url("/redirect/1/f.bin")); }), 302);
}

TEST(HttpClientRedirectTest, RedirectBodyIsReadBeforeTheNextRequest) {
  const struct {
    const char* head;
    const char* body;
  } cases[] = {
      {"HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 5\r\n\r\n", "moved"},
      {"HTTP/1.1 302 Found\r\nLocation: /next\r\nTransfer-Encoding: chunked\r\n\r\n", "5\r\nmoved\r\n0\r\n\r\n"},
      {"HTTP/1.1 302 Found\r\nLocation: /next\r\n\r\n", "moved, then the connection closes"},
  };
  for (const auto& c : cases) {
    RedirectBodyServer server(c.head, c.body, 300);
    HttpClient client;
    client.FollowRedirects = true;
    std::string got;
    client.Get(server.Url(), &got);
    EXPECT_EQ(got, "ok");
    EXPECT_FALSE(server.FollowedEarly()) << c.head;
  }
  // A body that never comes is waited for only so long; then the redirect is followed.
  RedirectBodyServer server("HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 5\r\n\r\n", "", -1);
  HttpClient client;
  client.FollowRedirects = true;
  client.RedirectBodyWaitMs = 300;
  std::string got;
  uint32_t start = platform::TickCount();
  client.Get(server.Url(), &got);
  EXPECT_EQ(got, "ok");
  EXPECT_LT(platform::TickCount() - start, 3000u);
}

TEST_F(HttpClientTest, CookiesOfARedirectGoToItsTarget) {
  kit::ServerFaults f;
  f.cookieOnRedirect = true;
  server_.SetFaults(f);
  HttpClient c;
  c.FollowRedirects = true;
  c.Head(server_.Url("/redirect/2/f.bin"));
  std::vector<std::string> req = server_.Requests();
  ASSERT_EQ(req.size(), 3u);
  EXPECT_EQ(req[0].find("Cookie:"), std::string::npos);
  EXPECT_NE(req[1].find("\r\nCookie: hop2=2\r\n"), std::string::npos);
  EXPECT_NE(req[2].find("\r\nCookie: hop2=2; hop1=1\r\n"), std::string::npos);
}

// Each row a damaged or hostile answer and what the client must make of it:
// the body it returns, or the words of its error.
TEST(HttpClientHostileTest, LimitsHoldAgainstDamagedAnswers) {
  const std::string ok = "HTTP/1.1 200 OK\r\n", chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
  std::string interim, manyHeaders = ok, trailers = chunked + "5\r\nhello\r\n0\r\n", cookies = ok, drip = ok;
  for (int i = 0; i < 3000; ++i) interim += "HTTP/1.1 100 Continue\r\n\r\n";
  for (int i = 0; i < 200; ++i) manyHeaders += "X-" + std::to_string(i) + ": 1\r\n";
  for (int i = 0; i < 12000; ++i) trailers += "X: 1\r\n";
  std::string capped;
  for (int i = 0; i < 100; ++i) {
    const std::string c = "n" + std::to_string(i) + "=" + std::to_string(i);
    cookies += "Set-Cookie: " + c + "\r\n";
    if (i < 64) capped += (i ? "; " : "") + c;
  }
  drip += "Content-Length: 20\r\n\r\n";
  for (int i = 0; i < 20; ++i) drip += std::string(1, kPause) + "d";
  std::string burstThenDrip = ok + "Content-Length: 300\r\n\r\n" + std::string(200, 'f');
  for (int i = 0; i < 40; ++i) burstThenDrip += std::string(1, kPause) + "d";
  const std::string steadyBody(700, 's');
  std::string steady = ok + "Content-Length: 700\r\n\r\n";
  for (int i = 0; i < 10; ++i) steady += std::string(2, kPause) + std::string(70, 's');
  const std::string domains = ok +
      "Set-Cookie: other=1; Domain=example.com\r\n"
      "Set-Cookie: dom=1; Domain=.LOCALHOST\r\n"
      "Set-Cookie: host=1\r\n"
      "Set-Cookie: path=1; Path=/a\r\n"
      "Content-Length: 0\r\n\r\n";
  using Cookies = std::vector<std::pair<const char*, std::string>>;
  const struct Row {
    const char* name;
    std::vector<std::string> replies;  // one per connection
    const char* body;   // what Get returns, or null when it must fail...
    const char* error;  // ...with these words in its error
    Cookies cookies;    // then the Cookie line for each URL
  } rows[] = {
      {"not a status line", {"garbage\r\n\r\n"}, nullptr, "status line", {}},
      {"length past 2 GiB", {ok + "Content-Length: 99999999999\r\n\r\n"}, nullptr, "Content-Length", {}},
      {"two lengths", {ok + "Content-Length: 5\r\nContent-Length: 6\r\n\r\nhello"}, nullptr, "Content-Length", {}},
      {"body shorter than its length", {ok + "Content-Length: 10\r\n\r\nshort"}, nullptr, "closed", {}},
      {"chunk size with leading zeros", {chunked + "0000000005\r\nhello\r\n0\r\n\r\n"}, "hello", nullptr, {}},
      {"chunk size past 2^64", {chunked + "10000000000000005\r\nhello\r\n0\r\n\r\n"}, nullptr, "chunk size", {}},
      {"chunk size of 16 hex digits", {chunked + "FFFFFFFFFFFFFFF0\r\nhello\r\n0\r\n\r\n"}, nullptr, "chunk size", {}},
      {"chunk size not hexadecimal", {chunked + "\\\r\nhello\r\n0\r\n\r\n"}, nullptr, "chunk size", {}},
      {"chunk size line past 1 KiB", {chunked + "5;" + std::string(2000, 'x') + "\r\nhello\r\n0\r\n\r\n"}, nullptr,
       "too long", {}},
      {"chunk without its CRLF", {chunked + "5\r\nhelloXX\r\n0\r\n\r\n"}, nullptr, "chunk end", {}},
      {"trailers past 64 KiB", {trailers + "\r\n"}, nullptr, "too long", {}},
      {"announced body past the cap", {ok + "Content-Length: 2000\r\n\r\nonly this"}, nullptr, "larger than 1000", {}},
      {"chunked body past the cap", {chunked + "5dc\r\n" + std::string(1500, 'b') + "\r\n0\r\n\r\n"}, nullptr,
       "larger than 1000", {}},
      {"body to the close past the cap", {ok + "\r\n" + std::string(1500, 'b')}, nullptr, "larger than 1000", {}},
      {"header line past 8 KiB", {ok + "X: " + std::string(9000, 'a') + "\r\n\r\n"}, nullptr, "too long", {}},
      {"more than 128 headers", {manyHeaders + "\r\n"}, nullptr, "header line", {}},
      {"interim answers past 64 KiB", {interim + ok + "Content-Length: 2\r\n\r\nok"}, nullptr, "too long", {}},
      {"204 with a length but no body", {"HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n"}, "", nullptr, {}},
      {"slow body after a redirect",
       {"HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 0\r\n\r\n",
        ok + "Content-Length: 2\r\n\r\n" + std::string(4, kPause) + "ok"},
       "ok", nullptr, {}},
      {"single bytes trickling in", {drip}, nullptr, "too slow", {}},
      {"a fast start, then single bytes", {burstThenDrip}, nullptr, "too slow", {}},
      {"slow but steady", {steady}, steadyBody.c_str(), nullptr, {}},
      {"cookies for other hosts and paths",
       {domains},
       "",
       nullptr,
       {{"http://example.com/", ""},
        {"http://a.localhost/a", "dom=1"},
        {"http://xlocalhost/", ""},
        {"http://localhost/a/b?q", "dom=1; host=1; path=1"},
        {"http://localhost/ab", "dom=1; host=1"}}},
      {"a hundred cookies", {cookies + "Content-Length: 0\r\n\r\n"}, "", nullptr, {{"http://localhost/", capped}}},
  };
  for (const Row& row : rows) {
    ScriptedServer server(row.replies);
    HttpClient c;
    c.FollowRedirects = true;
    c.ReadTimeoutMs = 2000;
    c.RedirectBodyWaitMs = 100;
    c.StallWindowMs = 1000;
    c.StallMinBytes = 64;
    c.MaxBodyBytes = 1000;
    std::string body, error = "none";
    try {
      c.Get(server.Url("localhost"), &body);
    } catch (const HttpError& e) {
      error = e.what();
    }
    if (row.body) {
      EXPECT_EQ(error, "none") << row.name;
      EXPECT_EQ(body, row.body) << row.name;
    } else {
      EXPECT_NE(error.find(row.error), std::string::npos) << row.name << ": " << error;
    }
    for (const auto& want : row.cookies) {
      HttpUrl u;
      ASSERT_TRUE(ParseHttpUrl(want.first, &u));
      EXPECT_EQ(c.CookiesFor(u), want.second) << row.name << ": " << want.first;
    }
  }
}

TEST(HttpClientHostileTest, MangledAnswersEndAsErrorsOrData) {
  const std::string good =
      "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nTransfer-Encoding: chunked\r\n\r\n"
      "4\r\nabcd\r\n3;x=y\r\nefg\r\n0\r\nTrailer: 1\r\n\r\n";
  uint32_t x = 12345;
  auto next = [&x] {
    x = x * 1103515245u + 12345u;
    return x >> 8;
  };
  for (int round = 0; round < 60; ++round) {
    std::string reply = good;
    for (int k = 1 + static_cast<int>(next() % 4); k > 0; --k) {
      size_t at = next() % reply.size();
      switch (next() % 3) {
        case 0: reply[at] = static_cast<char>(next()); break;
        case 1: reply.erase(at, 1 + next() % 8); break;
        default: reply.insert(at, std::string(1 + next() % 8, static_cast<char>(next()))); break;
      }
      if (reply.empty()) reply = "x";
    }
    ScriptedServer s(reply);
    HttpClient c;
    c.ReadTimeoutMs = 2000;
    std::string body;
    try {
      c.Get(s.Url(), &body);
      EXPECT_LE(body.size(), reply.size()) << round;
    } catch (const HttpError&) {
    }
  }
}

TEST(HttpClientHostileTest, InterimAnswersSkippedAndSilenceTimesOut) {
  {
    ScriptedServer s("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    HttpClient c;
    std::string b;
    c.Get(s.Url(), &b);
    EXPECT_EQ(b, "ok");
  }
  {
    ScriptedServer s("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nab", true);
    HttpClient c;
    c.ReadTimeoutMs = 300;
    c.BeginGet(s.Url());
    char buf[10];
    EXPECT_THROW(c.ReadExact(buf, 10), HttpError);
  }
  {
    // Nothing listens here any more: the connection is refused, not awaited.
    platform::Listener l;
    ASSERT_TRUE(l.Listen(0));
    std::string url = "http://127.0.0.1:" + std::to_string(l.Port()) + "/";
    l.Close();
    EXPECT_EQ(ErrorOf([&] { HttpClient c; c.Head(url); }), -1);
  }
}

}  // namespace
