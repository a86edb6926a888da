#include "download/HttpClient.h"

#include <algorithm>
#include <cstring>

#include "platform/system.h"

namespace {
constexpr size_t kBufferSize = 64 * 1024;
constexpr size_t kMaxCookies = 64;

bool IsRedirect(const HttpResponseHead& h) { return h.status / 100 == 3 && h.status != 304 && h.Has("Location"); }

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

HttpClient::HttpClient() : buf_(kBufferSize) {}

HttpClient::~HttpClient() { sock_.Close(); }

int64_t HttpClient::ContentLength() const {
  return head_.Has("Content-Length") ? ParseLength(head_.Get("Content-Length")) : -1;
}

void HttpClient::Head(const std::string& url) { Exchange("HEAD", url); }

void HttpClient::Get(const std::string& url) { Exchange("GET", url); }

void HttpClient::Get(const std::string& url, std::string* body) {
  body->clear();
  Exchange("GET", url);
  if (head_.status / 100 == 2) ReadBodyInto(body);
  sock_.Close();
}

void HttpClient::Exchange(const char* method, const std::string& startUrl) {
  std::string url = startUrl;
  for (int requests = 1;; ++requests) {
    HttpUrl u;
    if (!ParseHttpUrl(url, &u)) throw HttpError("bad URL: " + url);
    if (u.scheme != "http") {
      throw HttpError(requests > 1 ? "the server redirects to " + url + ", but https is not supported (plain HTTP only)"
                                   : "https is not supported (plain HTTP only)");
    }
    sock_.Close();
    bufPos_ = bufEnd_ = 0;
    headBytes_ = 0;
    if (!sock_.Connect(u.host, u.port, ConnectTimeoutMs)) {
      throw HttpError("cannot connect to " + u.host + ":" + std::to_string(u.port));
    }
    SendRequest(method, u);
    ReadHead(method);
    StoreCookies(u);
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

void HttpClient::SendRequest(const char* method, const HttpUrl& url) {
  std::string req = BuildHttpRequest(method, url, Request, CookiesFor(url));
  if (!sock_.SendAll(req.data(), req.size())) throw HttpError("connection closed while sending");
}

void HttpClient::ReadHead(const char* method) {
  do {
    if (!ParseStatusLine(ReadLine(kMaxHeaderLine), &head_)) throw HttpError("malformed status line");
    for (;;) {
      std::string line = ReadLine(kMaxHeaderLine);
      if (line.empty()) break;
      if (!ParseHeaderLine(line, &head_)) throw HttpError("malformed header line");
    }
  } while (head_.status == 100);

  mode_ = BodyMode::kNone;
  left_ = 0;
  chunkEnded_ = false;
  if (std::strcmp(method, "HEAD") == 0 || head_.status == 204 || head_.status == 304) return;
  if (EqualsNoCase(head_.Get("Transfer-Encoding"), "chunked")) {
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

void HttpClient::StoreCookies(const HttpUrl& url) {
  std::vector<std::string> lines = head_.GetAll("Set-Cookie");
  std::vector<std::string> more = head_.GetAll("Set-Cookie2");
  lines.insert(lines.end(), more.begin(), more.end());
  for (const std::string& line : lines) {
    Cookie c;
    c.domain = Lower(url.host);
    c.path = url.path.substr(0, url.path.find('?'));
    c.path.erase(c.path.rfind('/') + 1);
    size_t start = 0;
    for (bool first = true; start <= line.size(); first = false) {
      size_t semi = line.find(';', start);
      std::string part = line.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
      start = semi == std::string::npos ? line.size() + 1 : semi + 1;
      size_t b = part.find_first_not_of(' ');
      part = b == std::string::npos ? std::string() : part.substr(b);
      size_t eq = part.find('=');
      std::string name = part.substr(0, eq);
      std::string value = eq == std::string::npos ? std::string() : part.substr(eq + 1);
      if (first) {
        c.name = name;
        c.value = value;
      } else if (EqualsNoCase(name, "path") && !value.empty()) {
        c.path = value;
      } else if (EqualsNoCase(name, "domain") && !value.empty()) {
        c.domain = Lower(value[0] == '.' ? value.substr(1) : value);
      }
    }
    if (c.name.empty()) continue;
    cookies_.erase(std::remove_if(cookies_.begin(), cookies_.end(),
                                  [&c](const Cookie& o) {
                                    return o.name == c.name && o.domain == c.domain && o.path == c.path;
                                  }),
                   cookies_.end());
    if (cookies_.size() < kMaxCookies) cookies_.push_back(c);
  }
}

std::string HttpClient::CookiesFor(const HttpUrl& url) const {
  std::string host = Lower(url.host), out;
  for (const Cookie& c : cookies_) {
    bool hostOk = host == c.domain ||
                  (host.size() > c.domain.size() && host.compare(host.size() - c.domain.size(), std::string::npos,
                                                                 c.domain) == 0 &&
                   host[host.size() - c.domain.size() - 1] == '.');
    if (!hostOk || url.path.compare(0, c.path.size(), c.path) != 0) continue;
    if (!out.empty()) out += "; ";
    out += c.name + "=" + c.value;
  }
  return out;
}

size_t HttpClient::ReadRaw(char* dst, size_t n) {
  if (bufPos_ < bufEnd_) {
    size_t k = std::min(n, bufEnd_ - bufPos_);
    std::memcpy(dst, buf_.data() + bufPos_, k);
    bufPos_ += k;
    return k;
  }
  // Large reads go straight to the caller's buffer; small ones refill ours.
  bool direct = n >= buf_.size() / 4;
  int got = sock_.Recv(direct ? dst : buf_.data(), direct ? n : buf_.size(), ReadTimeoutMs);
  if (got == platform::kRecvTimeout) throw HttpError("read timed out");
  if (got <= 0) throw HttpError("connection closed");
  if (direct) return static_cast<size_t>(got);
  bufPos_ = 0;
  bufEnd_ = static_cast<size_t>(got);
  return ReadRaw(dst, n);
}

std::string HttpClient::ReadLine(size_t limit) {
  std::string line;
  for (;;) {
    if (bufPos_ == bufEnd_) {
      char c;
      ReadRaw(&c, 1);
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

size_t HttpClient::ReadBodySome(char* dst, size_t n) {
  switch (mode_) {
    case BodyMode::kNone:
      return 0;
    case BodyMode::kLength: {
      if (left_ == 0) return 0;
      size_t k = ReadRaw(dst, static_cast<size_t>(std::min<int64_t>(left_, static_cast<int64_t>(n))));
      left_ -= static_cast<int64_t>(k);
      return k;
    }
    case BodyMode::kToClose: {
      if (bufPos_ < bufEnd_) return ReadRaw(dst, n);
      int got = sock_.Recv(dst, n, ReadTimeoutMs);
      if (got == platform::kRecvTimeout) throw HttpError("read timed out");
      if (got < 0) throw HttpError("connection failed");
      if (got == 0) mode_ = BodyMode::kNone;
      return static_cast<size_t>(got);
    }
    case BodyMode::kChunked: {
      if (chunkEnded_) return 0;
      if (left_ == 0) {
        int64_t size;
        headBytes_ = 0;
        if (!ParseChunkSize(ReadLine(kMaxChunkLine), &size)) throw HttpError("malformed chunk size");
        if (size == 0) {
          headBytes_ = 0;
          while (!ReadLine(kMaxHeaderLine).empty()) {
          }
          chunkEnded_ = true;
          return 0;
        }
        left_ = size;
      }
      size_t k = ReadRaw(dst, static_cast<size_t>(std::min<int64_t>(left_, static_cast<int64_t>(n))));
      left_ -= static_cast<int64_t>(k);
      if (left_ == 0) {
        headBytes_ = 0;
        if (!ReadLine(2).empty()) throw HttpError("malformed chunk end");
      }
      return k;
    }
  }
  return 0;
}

void HttpClient::ReadExact(void* buf, size_t n) {
  char* p = static_cast<char*>(buf);
  while (n > 0) {
    size_t k = ReadBodySome(p, n);
    if (k == 0) throw HttpError("body ended early");
    p += k;
    n -= k;
  }
}

void HttpClient::ReadBodyInto(std::string* body) {
  int64_t expected = mode_ == BodyMode::kLength ? left_ : 0;
  if (expected > 0) body->reserve(static_cast<size_t>(std::min<int64_t>(expected, 64 << 20)));
  struct WorkScope {
    HttpClient* c;
    ~WorkScope() {
      if (c->OnWorkEnd) c->OnWorkEnd();
    }
  };
  if (OnWorkBegin) OnWorkBegin(static_cast<int32_t>(expected));
  WorkScope scope{this};
  std::vector<char> chunk(kBufferSize);
  for (;;) {
    size_t k = ReadBodySome(chunk.data(), chunk.size());
    if (k == 0) break;
    if (static_cast<int64_t>(body->size() + k) > kMaxBodyLength) throw HttpError("body too large");
    body->append(chunk.data(), k);
    if (OnWork) OnWork(static_cast<int32_t>(body->size()));
  }
}

void HttpClient::DiscardBody() {
  // Best effort: a body that has not ended in time is left to the closing connection.
  const uint32_t readTimeout = ReadTimeoutMs, start = platform::TickCount();
  char scratch[4096];
  try {
    for (;;) {
      uint32_t spent = platform::TickCount() - start;
      if (spent >= RedirectBodyWaitMs) break;
      ReadTimeoutMs = RedirectBodyWaitMs - spent;
      if (ReadBodySome(scratch, sizeof scratch) == 0) break;
    }
  } catch (const HttpError&) {
  }
  ReadTimeoutMs = readTimeout;
}
