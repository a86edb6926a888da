#include "tools/kit/server_probe.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "common/KpLib.h"
#include "common/TextHelpers.h"
#include "download/HttpClient.h"
#include "platform/console.h"
#include "platform/errortext.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "tools/kit/terminal_text.h"

namespace {
constexpr uint32_t kProbeReadTimeoutMs = 5000;
constexpr uint32_t kFetchReadTimeoutMs = 3000;  // as the installer's synchronous fetch

// A 403 from a static server: it may not read the file.
std::string StatusAdvice(int status) {
  return status == 403 ? ": the server cannot read the file (check the permissions of the file, its folder and the "
                         "folders above it)"
                       : std::string();
}

std::string Why(const std::exception& e, uint32_t elapsedMs, uint32_t readTimeoutMs) {
  // A status line's text, a redirect's target: what the server chose is escaped.
  const std::string what = TerminalText(e.what());
  if (what.compare(0, 15, "cannot connect ") == 0) {
    return what + (elapsedMs + 500 >= kConnectTimeoutMs ? ": no answer within " +
                                                             std::to_string(kConnectTimeoutMs / 1000) + " s"
                                                       : ": connection refused, or no such host");
  }
  if (what == "read timed out") return "the server stopped answering (nothing for " + std::to_string(readTimeoutMs / 1000) + " s)";
  const HttpError* h = dynamic_cast<const HttpError*>(&e);
  if (h && h->status() != 0 && h->proxy().empty()) return "the server answered " + what + StatusAdvice(h->status());
  return what;
}

void Setup(HttpClient& c) {
  c.Request.userAgent = kEngineUserAgent;
  c.FollowRedirects = true;
  c.ReadTimeoutMs = kProbeReadTimeoutMs;
}

std::string Compressed(const HttpClient& c) {
  std::string enc = c.Response().Get("Content-Encoding");
  if (enc.empty() || SameText(enc, "identity")) return std::string();
  return "the server compresses the body (Content-Encoding: " + TerminalText(enc) +
         "), so its bytes and ranges are not the file's";
}

// "bytes A-B/T"
bool ParseContentRange(const std::string& v, int64_t* a, int64_t* b, int64_t* t) {
  long long x = 0, y = 0, z = 0;
  int used = 0;
  if (std::sscanf(v.c_str(), " bytes %lld-%lld/%lld%n", &x, &y, &z, &used) != 3) return false;
  if (v.find_first_not_of(" \t", used) != std::string::npos) return false;
  *a = x, *b = y, *t = z;
  return true;
}
}  // namespace

ProbeResult ProbeHead(const std::string& url) {
  ProbeResult r;
  uint32_t start = platform::TickCount();
  try {
    HttpClient c;
    Setup(c);
    c.Head(url);
    if (c.ResponseCode() / 100 != 2) {
      r.problem = "the server answered HTTP/1.1 " + std::to_string(c.ResponseCode()) + " " +
                  TerminalText(c.Response().statusText) + StatusAdvice(c.ResponseCode());
      return r;
    }
    r.problem = Compressed(c);
    r.length = c.ContentLength();
    if (r.problem.empty() && r.length < 0) {
      r.problem = c.Response().Has("Transfer-Encoding")
                      ? "HEAD gives no Content-Length (the body is sent chunked), so the engine cannot size the file"
                      : "HEAD gives no Content-Length, so the engine cannot size the file";
    } else if (r.problem.empty() && r.length == 0) {
      r.problem = "the file is empty (Content-Length: 0)";
    }
  } catch (const std::exception& e) {
    r.problem = Why(e, platform::TickCount() - start, kProbeReadTimeoutMs);
  }
  return r;
}

ProbeResult ProbeRange(const std::string& url, int64_t from, int64_t to, int64_t size, size_t keep) {
  ProbeResult r;
  const int64_t last = std::min(to, size - 1);
  const std::string asked = "bytes=" + std::to_string(from) + "-" + std::to_string(to);
  uint32_t start = platform::TickCount();
  try {
    HttpClient c;
    Setup(c);
    c.Request.rangeStart = static_cast<int32_t>(from);
    c.Request.rangeEnd = static_cast<int32_t>(to);
    c.BeginGet(url);
    int status = c.ResponseCode();
    if (status == 200) {
      r.problem = "the server ignores Range: " + asked + " was answered 200 with the whole file";
      return r;
    }
    if (status != 206) {
      r.problem = asked + " was answered HTTP/1.1 " + std::to_string(status) + " " +
                  TerminalText(c.Response().statusText) + StatusAdvice(status);
      return r;
    }
    r.problem = Compressed(c);
    if (!r.problem.empty()) return r;
    std::string range = c.Response().Get("Content-Range");
    int64_t a = 0, b = 0, t = 0;
    if (!ParseContentRange(range, &a, &b, &t) || a != from || b != last || t != size) {
      r.problem = asked + " was answered with Content-Range '" + TerminalText(range) + "', not 'bytes " + std::to_string(from) +
                  "-" + std::to_string(last) + "/" + std::to_string(size) + "'";
      return r;
    }
    int64_t length = c.ContentLength();
    if (length >= 0 && length != last - from + 1) {
      r.problem = asked + " was answered with Content-Length " + std::to_string(length) + ", not " +
                  std::to_string(last - from + 1);
      return r;
    }
    r.body.resize(static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(keep), last - from + 1)));
    if (!r.body.empty()) c.ReadExact(&r.body[0], r.body.size());
  } catch (const std::exception& e) {
    r.problem = asked + ": " + Why(e, platform::TickCount() - start, kProbeReadTimeoutMs);
  }
  return r;
}

std::string ProbeDownload(const std::string& url) {
  ProbeResult head = ProbeHead(url);
  if (!head.problem.empty()) return head.problem;
  if (head.length > 0x7FFFFFFF) return "the file is " + std::to_string(head.length) + " bytes; the engine's sizes stop below 2 GiB";
  // The second of two segments, as the engine splits the file.
  int64_t half = head.length / 2;
  return ProbeRange(url, half, head.length, head.length, 0).problem;
}

std::string FetchBody(const std::string& url, const std::string& file, int64_t maxBytes) {
  const std::string dir = FolderPart(file);
  if (!dir.empty() && !DirExists(dir)) ForceDirs(dir);
  platform::File out;
  if (const uint32_t r = out.Open(file, platform::OpenMode::kCreateAlways)) {
    return "cannot write " + UserPath(file) + ": " + platform::ErrorText(r);
  }
  const uint32_t start = platform::TickCount();
  int64_t size = 0;
  uint32_t writeError = 0;
  try {
    HttpClient c;
    c.FollowRedirects = true;
    c.ReadTimeoutMs = kFetchReadTimeoutMs;
    c.MaxBodyBytes = maxBytes;
    c.Get(url, [&](const char* p, size_t n) {
      if ((writeError = out.Write(p, static_cast<uint32_t>(n))) != 0) throw HttpError("write failed");
      size += static_cast<int64_t>(n);
    });
  } catch (const std::exception& e) {
    if (writeError != 0) return "cannot write " + UserPath(file) + ": " + platform::ErrorText(writeError);
    return Why(e, platform::TickCount() - start, kFetchReadTimeoutMs);
  }
  if (const uint32_t r = out.Close()) return "cannot write " + UserPath(file) + ": " + platform::ErrorText(r);
  return size == 0 ? "the server answered with an empty body" : std::string();
}

void InterruptTransfers() {
  platform::CatchInterrupt();
  SetHttpAbortCheck(platform::InterruptRequested);
}
