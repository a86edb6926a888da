// A short-lived HTTP/1.1 client: one object, one thread, one call (Head or one
// of the Gets), then released. Errors are raised as HttpError.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "download/HttpCookies.h"
#include "download/HttpRequest.h"
#include "download/HttpResponse.h"
#include "platform/socket.h"

class HttpError : public std::runtime_error {
 public:
  explicit HttpError(const std::string& what, int status = 0, std::string proxy = std::string())
      : std::runtime_error(what), status_(status), proxy_(std::move(proxy)) {}
  int status() const { return status_; }  // 0 unless the server answered with an error status
  // "host:port" of the proxy that refused the request or could not be reached; else empty.
  const std::string& proxy() const { return proxy_; }

 private:
  int status_;
  std::string proxy_;
};

// A host that never answers a connection attempt is given up after this long.
constexpr uint32_t kConnectTimeoutMs = 10000;
constexpr int kDefaultRedirectLimit = 15;
// How long the body of a followed redirect is read before the next request.
constexpr uint32_t kRedirectBodyWaitMs = 4000;
// A call fails when fewer than kStallMinBytes arrive in kStallWindowMs, however
// often single bytes trickle in: no server holds a transfer for ever.
constexpr uint32_t kStallWindowMs = 30000;
constexpr uint32_t kStallMinBytes = 1024;

// A process-wide question every waiting call asks a few times a second; when it
// answers true the call fails at once ("interrupted"). Null (the default): never.
void SetHttpAbortCheck(bool (*check)());

class HttpClient {
 public:
  HttpClient();
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Properties, set before the call.
  uint32_t ReadTimeoutMs = 0;  // 0: a read waits without limit (the stall window still holds)
  uint32_t ConnectTimeoutMs = kConnectTimeoutMs;
  bool FollowRedirects = false;
  int RedirectLimit = kDefaultRedirectLimit;  // requests in a row, the first included
  uint32_t RedirectBodyWaitMs = kRedirectBodyWaitMs;
  uint32_t StallWindowMs = kStallWindowMs;
  uint32_t StallMinBytes = kStallMinBytes;
  int64_t MaxBodyBytes = kMaxBodyLength;  // a longer body of a Get into a target is an error
  HttpRequestHeaders Request;
  std::function<void(int32_t)> OnWorkBegin;  // expected bytes, 0 when unknown
  std::function<void(int32_t)> OnWork;       // bytes so far in this transfer
  std::function<void()> OnWorkEnd;

  void Head(const std::string& url);
  // The whole body into *body.
  void Get(const std::string& url, std::string* body);
  // The whole body, piece by piece, into `sink` (which may raise to stop it).
  void Get(const std::string& url, const std::function<void(const char*, size_t)>& sink);
  // Sends the GET and returns after the response head; the body waits for ReadExact.
  void BeginGet(const std::string& url);
  // Exactly n body bytes; an error when the body or the connection ends first.
  void ReadExact(void* buf, size_t n);
  // From another thread: the call under way fails at once ("cancelled"), its
  // connection shut down, and any later call of this client fails too.
  void Cancel();

  int ResponseCode() const { return head_.status; }
  const HttpResponseHead& Response() const { return head_; }
  // Content-Length of the response, -1 when missing or not a number.
  int64_t ContentLength() const;
  // The cookie line this client would send to a URL now.
  std::string CookiesFor(const HttpUrl& url) const { return cookies_.For(url); }

 private:
  enum class BodyMode { kNone, kLength, kChunked, kToClose };

  void Exchange(const char* method, const std::string& url);
  void SendRequest(const char* method, const HttpUrl& url, bool viaProxy);
  void ReadHead(const char* method);
  // Every byte from the connection comes through here: waits at most waitMs
  // (0: without limit) and never past the stall window. The count, or 0 when
  // the server closed the connection.
  size_t Receive(char* dst, size_t n, uint32_t waitMs);
  std::string ReadLine(size_t limit, uint32_t waitMs);
  size_t ReadRaw(char* dst, size_t n, uint32_t waitMs);  // at least 1 byte, or raises
  size_t ReadBodySome(char* dst, size_t n, uint32_t waitMs);  // 0 at the end of the body
  void ReadBody(const std::function<void(const char*, size_t)>& sink);
  void DiscardBody();

  platform::Socket sock_;
  std::atomic<bool> cancelled_{false};
  std::vector<char> buf_;
  size_t bufPos_ = 0, bufEnd_ = 0;
  size_t headBytes_ = 0;
  HttpResponseHead head_;
  HttpCookieJar cookies_;
  BodyMode mode_ = BodyMode::kNone;
  int64_t left_ = 0;  // bytes left in the body (kLength) or in the current chunk
  bool chunkEnded_ = false;
  uint32_t windowStart_ = 0;  // the stall window: when it began, what came in it
  uint32_t windowBytes_ = 0;
};
