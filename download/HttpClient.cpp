#include "download/HttpClient.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "common/LogEvents.h"
#include "common/TextHelpers.h"
#include "download/HttpProxy.h"
#include "platform/system.h"

namespace {
constexpr size_t kBufferSize = 64 * 1024;
constexpr uint32_t kAbortPollMs = 100;  // how often a waiting call asks the abort check
constexpr size_t kReservedBodyMax = 64 << 20;

std::atomic<bool (*)()> g_abortCheck{nullptr};

bool IsRedirect(const HttpResponseHead& h) { return h.status / 100 == 3 && h.status != 304 && h.Has("Location"); }

// "1 MiB", "1 KiB" where whole, bytes otherwise.
std::string SizeText(int64_t bytes) {
  if (bytes > 0 && bytes % (1 << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  if (bytes > 0 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes) + " bytes";
}

std::string StallText(uint32_t bytes, uint32_t ms) {
  std::string span = ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
  return "too slow: fewer than " + SizeText(bytes) + " arrived in " + span;
}
}  // namespace

void SetHttpAbortCheck(bool (*check)()) { g_abortCheck = check; }

HttpClient::HttpClient() : buf_(kBufferSize) {}

HttpClient::~HttpClient() { sock_.Close(); }

void HttpClient::Cancel() {
  cancelled_ = true;
  sock_.Shutdown();
}

int64_t HttpClient::ContentLength() const {
  return head_.Has("Content-Length") ? ParseLength(head_.Get("Content-Length")) : -1;
}

void HttpClient::Head(const std::string& url) { Exchange("HEAD", url); }

void HttpClient::BeginGet(const std::string& url) { Exchange("GET", url); }

void HttpClient::Get(const std::string& url, const std::function<void(const char*, size_t)>& sink) {
  Exchange("GET", url);
  if (head_.status / 100 == 2) ReadBody(sink);
  sock_.Close();
}

void HttpClient::Get(const std::string& url, std::string* body) {
  body->clear();
  Get(url, [this, body](const char* p, size_t n) {
    // A body of announced length gets its room at once.
    if (body->empty() && mode_ == BodyMode::kLength) {
      body->reserve(static_cast<size_t>(std::min<int64_t>(left_ + static_cast<int64_t>(n), kReservedBodyMax)));
    }
    body->append(p, n);
  });
}

void HttpClient::Exchange(const char* method, const std::string& startUrl) {
  std::string url = startUrl;
  windowStart_ = platform::TransferTickCount();
  windowBytes_ = 0;
  for (int requests = 1;; ++requests) {
    HttpUrl u;
    if (!ParseHttpUrl(url, &u)) throw HttpError("bad URL: " + url);
    if (u.scheme != "http") {
      throw HttpError(requests > 1 ? "the server redirects to " + url + ", but https is not supported (plain HTTP only)"
                                   : "https is not supported (plain HTTP only)");
    }
    bool (*abort)() = g_abortCheck;
    if (abort && abort()) throw HttpError("interrupted");
    sock_.Close();
    bufPos_ = bufEnd_ = 0;
    headBytes_ = 0;
    const HttpProxyFinder* finder = CurrentHttpProxyFinder();
    const HttpProxy proxy = finder ? finder->For(u) : HttpProxy();
    const bool connected = proxy.Direct() ? sock_.Connect(u.host, u.port, ConnectTimeoutMs)
                                          : sock_.Connect(proxy.host, proxy.port, ConnectTimeoutMs);
    if (!connected) {
      if (abort && abort()) throw HttpError("interrupted");
      if (!proxy.Direct()) {
        LogProxyFailure(proxy.Text(), url, "could not be reached");
        throw HttpError("cannot connect to the proxy " + proxy.Text(), 0, proxy.Text());
      }
      throw HttpError("cannot connect to " + u.host + ":" + std::to_string(u.port));
    }
    // A cancel that came while connecting found no connection to shut down.
    if (cancelled_) throw HttpError("cancelled");
    SendRequest(method, u, !proxy.Direct());
    ReadHead(method);
    if (!proxy.Direct() && head_.status == 407) {
      LogProxyFailure(proxy.Text(), url, "refused: HTTP/1.1 407 " + head_.statusText);
      throw HttpError("the proxy " + proxy.Text() + " refused: HTTP/1.1 407 " + head_.statusText, 407, proxy.Text());
    }
    std::vector<std::string> setCookies = head_.GetAll("Set-Cookie");
    std::vector<std::string> more = head_.GetAll("Set-Cookie2");
    setCookies.insert(setCookies.end(), more.begin(), more.end());
    cookies_.Store(u, setCookies);
    if (IsRedirect(head_)) {
      if (!FollowRedirects) throw HttpError("redirect not followed", head_.status);
      // The last allowed request's redirect answer is the call's result.
      if (requests >= RedirectLimit) return;
      url = ResolveLocation(u, head_.Get("Location"));
      DiscardBody();
      continue;
    }
    if (head_.status / 100 == 2) return;
    if (head_.status == 401 || head_.status == 407) throw HttpError("authentication required", head_.status);
    throw HttpError("HTTP/1.1 " + std::to_string(head_.status) + " " + head_.statusText, head_.status);
  }
}

void HttpClient::SendRequest(const char* method, const HttpUrl& url, bool viaProxy) {
  std::string req = BuildHttpRequest(method, url, Request, CookiesFor(url), viaProxy);
  if (!sock_.SendAll(req.data(), req.size())) throw HttpError("connection closed while sending");
}

void HttpClient::ReadHead(const char* method) {
  do {
    if (!ParseStatusLine(ReadLine(kMaxHeaderLine, ReadTimeoutMs), &head_)) throw HttpError("malformed status line");
    for (;;) {
      std::string line = ReadLine(kMaxHeaderLine, ReadTimeoutMs);
      if (line.empty()) break;
      if (!ParseHeaderLine(line, &head_)) throw HttpError("malformed header line");
    }
  } while (head_.status == 100);

  mode_ = BodyMode::kNone;
  left_ = 0;
  chunkEnded_ = false;
  if (std::strcmp(method, "HEAD") == 0 || head_.status == 204 || head_.status == 304) return;
  if (SameText(head_.Get("Transfer-Encoding"), "chunked")) {
    mode_ = BodyMode::kChunked;
  } else if (head_.Has("Content-Length")) {
    std::vector<std::string> all = head_.GetAll("Content-Length");
    left_ = ParseLength(all[0]);
    for (const std::string& v : all) {
      if (ParseLength(v) != left_) left_ = -1;
    }
    if (left_ < 0) throw HttpError("bad Content-Length");
    mode_ = BodyMode::kLength;
  } else {
    mode_ = BodyMode::kToClose;
  }
}

size_t HttpClient::Receive(char* dst, size_t n, uint32_t waitMs) {
  const uint32_t start = platform::TransferTickCount();
  for (;;) {
    bool (*abort)() = g_abortCheck;
    if (abort && abort()) throw HttpError("interrupted");
    if (cancelled_) throw HttpError("cancelled");
    const uint32_t now = platform::TransferTickCount();
    const uint32_t inWindow = now - windowStart_, waited = now - start;
    // Past a limit, one short look still takes what has already arrived.
    uint32_t slice = inWindow < StallWindowMs ? StallWindowMs - inWindow : 1;
    if (waitMs != 0) slice = std::min(slice, waited < waitMs ? waitMs - waited : 1);
    if (abort) slice = std::min(slice, kAbortPollMs);
    const int got = sock_.Recv(dst, n, slice);
    if (got > 0) {
      windowBytes_ += static_cast<uint32_t>(got);
      if (windowBytes_ >= StallMinBytes) {
        windowStart_ = platform::TransferTickCount();
        windowBytes_ = 0;
      }
      return static_cast<size_t>(got);
    }
    if (got == 0) return 0;
    if (got != platform::kRecvTimeout) throw HttpError("connection failed");
    const uint32_t after = platform::TransferTickCount();
    if (after - windowStart_ >= StallWindowMs) throw HttpError(StallText(StallMinBytes, StallWindowMs));
    if (waitMs != 0 && after - start >= waitMs) throw HttpError("read timed out");
  }
}

size_t HttpClient::ReadRaw(char* dst, size_t n, uint32_t waitMs) {
  if (bufPos_ < bufEnd_) {
    size_t k = std::min(n, bufEnd_ - bufPos_);
    std::memcpy(dst, buf_.data() + bufPos_, k);
    bufPos_ += k;
    return k;
  }
  // Large reads go straight to the caller's buffer; small ones refill ours.
  bool direct = n >= buf_.size() / 4;
  size_t got = Receive(direct ? dst : buf_.data(), direct ? n : buf_.size(), waitMs);
  if (got == 0) throw HttpError("connection closed");
  if (direct) return got;
  bufPos_ = 0;
  bufEnd_ = got;
  return ReadRaw(dst, n, waitMs);
}

std::string HttpClient::ReadLine(size_t limit, uint32_t waitMs) {
  std::string line;
  for (;;) {
    if (bufPos_ == bufEnd_) {
      char c;
      ReadRaw(&c, 1, waitMs);
      --bufPos_;  // ReadRaw refilled the buffer; take the byte back
    }
    const char* p = buf_.data() + bufPos_;
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', bufEnd_ - bufPos_));
    size_t k = nl ? static_cast<size_t>(nl - p) + 1 : bufEnd_ - bufPos_;
    if (line.size() + k > limit + 2 || headBytes_ + k > kMaxHeaderBlock) throw HttpError("response head too long");
    line.append(p, k);
    bufPos_ += k;
    headBytes_ += k;
    if (nl) break;
  }
  line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

size_t HttpClient::ReadBodySome(char* dst, size_t n, uint32_t waitMs) {
  switch (mode_) {
    case BodyMode::kNone:
      return 0;
    case BodyMode::kLength: {
      if (left_ == 0) return 0;
      size_t k = ReadRaw(dst, static_cast<size_t>(std::min<int64_t>(left_, static_cast<int64_t>(n))), waitMs);
      left_ -= static_cast<int64_t>(k);
      return k;
    }
    case BodyMode::kToClose: {
      if (bufPos_ < bufEnd_) return ReadRaw(dst, n, waitMs);
      size_t got = Receive(dst, n, waitMs);
      if (got == 0) mode_ = BodyMode::kNone;
      return got;
    }
    case BodyMode::kChunked: {
      if (chunkEnded_) return 0;
      if (left_ == 0) {
        int64_t size;
        headBytes_ = 0;
        if (!ParseChunkSize(ReadLine(kMaxChunkLine, waitMs), &size)) throw HttpError("malformed chunk size");
        if (size == 0) {
          headBytes_ = 0;
          while (!ReadLine(kMaxHeaderLine, waitMs).empty()) {
          }
          chunkEnded_ = true;
          return 0;
        }
        left_ = size;
      }
      size_t k = ReadRaw(dst, static_cast<size_t>(std::min<int64_t>(left_, static_cast<int64_t>(n))), waitMs);
      left_ -= static_cast<int64_t>(k);
      if (left_ == 0) {
        headBytes_ = 0;
        if (!ReadLine(2, waitMs).empty()) throw HttpError("malformed chunk end");
      }
      return k;
    }
  }
  return 0;
}

void HttpClient::ReadExact(void* buf, size_t n) {
  char* p = static_cast<char*>(buf);
  while (n > 0) {
    size_t k = ReadBodySome(p, n, ReadTimeoutMs);
    if (k == 0) throw HttpError("body ended early");
    p += k;
    n -= k;
  }
}

void HttpClient::ReadBody(const std::function<void(const char*, size_t)>& sink) {
  const std::string tooLarge = "the body is larger than " + SizeText(MaxBodyBytes);
  const int64_t expected = mode_ == BodyMode::kLength ? left_ : 0;
  if (expected > MaxBodyBytes) throw HttpError(tooLarge);
  struct WorkScope {
    HttpClient* c;
    ~WorkScope() {
      if (c->OnWorkEnd) c->OnWorkEnd();
    }
  };
  if (OnWorkBegin) OnWorkBegin(static_cast<int32_t>(expected));
  WorkScope scope{this};
  std::vector<char> chunk(kBufferSize);
  int64_t total = 0;
  for (;;) {
    size_t k = ReadBodySome(chunk.data(), chunk.size(), ReadTimeoutMs);
    if (k == 0) break;
    total += static_cast<int64_t>(k);
    if (total > MaxBodyBytes) throw HttpError(tooLarge);
    sink(chunk.data(), k);
    if (OnWork) OnWork(static_cast<int32_t>(total));
  }
}

void HttpClient::DiscardBody() {
  // Best effort: a body that has not ended in time is left to the closing connection.
  const uint32_t start = platform::TransferTickCount();
  char scratch[4096];
  try {
    for (;;) {
      const uint32_t spent = platform::TransferTickCount() - start;
      if (spent >= RedirectBodyWaitMs || ReadBodySome(scratch, sizeof scratch, RedirectBodyWaitMs - spent) == 0) break;
    }
  } catch (const HttpError&) {
  }
}
