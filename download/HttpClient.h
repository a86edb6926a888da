// A short-lived HTTP/1.1 client: one object, one thread, one call (Head or one
// of the Gets), then released. Errors are raised as HttpError.
#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "download/HttpRequest.h"
#include "download/HttpResponse.h"
#include "platform/socket.h"

class HttpError : public std::runtime_error {
 public:
  explicit HttpError(const std::string& what, int status = 0) : std::runtime_error(what), status_(status) {}
  int status() const { return status_; }  // 0 unless the server answered with an error status

 private:
  int status_;
};

// A host that never answers a connection attempt is given up after this long.
constexpr uint32_t kConnectTimeoutMs = 10000;
constexpr int kDefaultRedirectLimit = 15;
// How long the body of a followed redirect is read before the next request.
constexpr uint32_t kRedirectBodyWaitMs = 4000;

class HttpClient {
 public:
  HttpClient();
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Properties, set before the call.
  uint32_t ReadTimeoutMs = 0;  // 0: a read waits without limit
  uint32_t ConnectTimeoutMs = kConnectTimeoutMs;
  bool FollowRedirects = false;
  int RedirectLimit = kDefaultRedirectLimit;  // requests in a row, the first included
  uint32_t RedirectBodyWaitMs = kRedirectBodyWaitMs;
  HttpRequestHeaders Request;
  std::function<void(int32_t)> OnWorkBegin;  // expected bytes, 0 when unknown
  std::function<void(int32_t)> OnWork;       // bytes so far in this transfer
  std::function<void()> OnWorkEnd;

  void Head(const std::string& url);
  // The whole body into *body.
  void Get(const std::string& url, std::string* body);
  // Returns after the response head; the body waits for ReadExact.
  void Get(const std::string& url);
  // Exactly n body bytes; an error when the body or the connection ends first.
  void ReadExact(void* buf, size_t n);

  int ResponseCode() const { return head_.status; }
  const HttpResponseHead& Response() const { return head_; }
  // Content-Length of the response, -1 when missing or not a number.
  int64_t ContentLength() const;
  // The cookie line this client would send to a URL now.
  std::string CookiesFor(const HttpUrl& url) const;

 private:
  struct Cookie {
    std::string name, value, domain, path;
  };
  enum class BodyMode { kNone, kLength, kChunked, kToClose };

  void Exchange(const char* method, const std::string& url);
  void SendRequest(const char* method, const HttpUrl& url);
  void ReadHead(const char* method);
  void StoreCookies(const HttpUrl& url);
  std::string ReadLine(size_t limit);
  size_t ReadRaw(char* dst, size_t n);  // at least 1 byte, or raises
  size_t ReadBodySome(char* dst, size_t n);  // 0 at the end of the body
  void ReadBodyInto(std::string* body);
  void DiscardBody();

  platform::Socket sock_;
  std::vector<char> buf_;
  size_t bufPos_ = 0, bufEnd_ = 0;
  size_t headBytes_ = 0;
  HttpResponseHead head_;
  std::vector<Cookie> cookies_;
  BodyMode mode_ = BodyMode::kNone;
  int64_t left_ = 0;  // bytes left in the body (kLength) or in the current chunk
  bool chunkEnded_ = false;
};
