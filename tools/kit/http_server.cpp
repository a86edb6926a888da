#include "tools/kit/http_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/fs.h"
#include "platform/system.h"
#include "platform/thread.h"

namespace kit {
namespace {
constexpr size_t kMaxRequestHead = 64 * 1024;
constexpr size_t kPiece = 256 * 1024;
constexpr size_t kMaxKeptRequests = 10000;

std::string HeaderValue(const std::string& head, const char* name) {
  std::string lower = head;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string key = std::string("\r\n") + name + ":";
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t p = lower.find(key);
  if (p == std::string::npos) return std::string();
  p += key.size();
  size_t e = head.find("\r\n", p);
  std::string v = head.substr(p, e - p);
  size_t b = v.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : v.substr(b);
}

// "bytes=A-B" or "bytes=A-"; end is -1 when open.
bool ParseRange(const std::string& v, int64_t* start, int64_t* end) {
  if (v.compare(0, 6, "bytes=") != 0) return false;
  char* rest = nullptr;
  long long a = std::strtoll(v.c_str() + 6, &rest, 10);
  if (rest == v.c_str() + 6 || *rest != '-' || a < 0) return false;
  *start = a;
  *end = rest[1] ? std::strtoll(rest + 1, nullptr, 10) : -1;
  return true;
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}
}  // namespace

struct HttpServer::Resource {
  std::shared_ptr<const std::string> mem;
  platform::File file;
  int64_t size = 0;

  bool Read(int64_t offset, char* dst, uint32_t n) {
    if (mem) {
      std::memcpy(dst, mem->data() + offset, n);
      return true;
    }
    uint32_t got = 0;
    return file.ReadAt(offset, dst, n, &got) == 0 && got == n;
  }
};

HttpServer::HttpServer(std::string rootDir) : root_(std::move(rootDir)) {}

HttpServer::~HttpServer() { Stop(); }

void HttpServer::AddFile(const std::string& urlPath, std::string content) {
  platform::LockGuard lock(mutex_);
  files_[urlPath] = std::make_shared<const std::string>(std::move(content));
}

void HttpServer::SetFaults(const ServerFaults& faults) {
  platform::LockGuard lock(mutex_);
  faults_ = faults;
  faultsUsed_ = 0;
}

bool HttpServer::Start(uint16_t port) {
  if (!listener_.Listen(port)) return false;
  stopping_ = false;
  acceptThread_ = platform::Thread([this] { AcceptLoop(); });
  return true;
}

void HttpServer::Stop() {
  stopping_ = true;
  acceptThread_.Join();
  listener_.Close();
  std::vector<std::unique_ptr<Conn>> conns;
  {
    platform::LockGuard lock(mutex_);
    conns.swap(conns_);
  }
  for (auto& c : conns) c->sock.Shutdown();
  for (auto& c : conns) {
    c->thread.Join();
  }
}

std::string HttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(Port()) + path;
}

std::vector<std::string> HttpServer::Requests() {
  platform::LockGuard lock(mutex_);
  return requests_;
}

void HttpServer::AcceptLoop() {
  while (!stopping_) {
    platform::Socket s;
    if (!listener_.Accept(&s, 100)) continue;
    auto conn = std::make_unique<Conn>();
    conn->sock = std::move(s);
    Conn* raw = conn.get();
    ++connections_;
    platform::LockGuard lock(mutex_);
    // Finished connections are reaped here, so a long-running server stays small.
    for (auto it = conns_.begin(); it != conns_.end();) {
      if ((*it)->done) {
        (*it)->thread.Join();
        it = conns_.erase(it);
      } else {
        ++it;
      }
    }
    conn->thread = platform::Thread([this, raw] { Serve(raw); });
    conns_.push_back(std::move(conn));
  }
}

void HttpServer::Serve(Conn* conn) {
  std::string pending;
  char buf[8192];
  while (!stopping_) {
    size_t end = pending.find("\r\n\r\n");
    if (end == std::string::npos) {
      if (pending.size() > kMaxRequestHead) break;
      int got = conn->sock.Recv(buf, sizeof buf, 100);
      if (got == platform::kRecvTimeout) continue;
      if (got <= 0) break;
      pending.append(buf, static_cast<size_t>(got));
      continue;
    }
    std::string head = pending.substr(0, end + 4);
    pending.erase(0, end + 4);
    {
      platform::LockGuard lock(mutex_);
      // A long-running server keeps only the recent heads.
      if (requests_.size() >= kMaxKeptRequests) {
        requests_.erase(requests_.begin(), requests_.begin() + kMaxKeptRequests / 2);
      }
      requests_.push_back(head);
    }
    if (!Answer(conn->sock, head)) break;
  }
  conn->sock.Shutdown();
  conn->done = true;
}

std::shared_ptr<HttpServer::Resource> HttpServer::Find(const std::string& path) {
  auto res = std::make_shared<Resource>();
  {
    platform::LockGuard lock(mutex_);
    auto it = files_.find(path);
    if (it != files_.end()) {
      res->mem = it->second;
      res->size = static_cast<int64_t>(it->second->size());
      return res;
    }
  }
  if (root_.empty() || path.find("..") != std::string::npos || path.size() < 2) return nullptr;
  std::string file = root_;
  if (file.back() != '\\') file += '\\';
  // No link is followed on the way below the root (one could lead out of it),
  // and only a plain file is served: opening a pipe would block this thread.
  for (size_t i = 1; i < path.size() && path[i] != '?'; ++i) {
    if (path[i] == '/' && platform::IsLink(file.substr(0, file.size() - (file.back() == '\\' ? 1 : 0)))) return nullptr;
    file += path[i] == '/' ? '\\' : path[i];
  }
  if (platform::IsLink(file) || !platform::IsRegularFile(file)) return nullptr;
  if (res->file.Open(file, platform::OpenMode::kRead) != 0) return nullptr;
  res->size = res->file.Size();
  return res->size >= 0 ? res : nullptr;
}

bool HttpServer::TakeFault(int64_t rangeStart) {
  platform::LockGuard lock(mutex_);
  if (rangeStart < faults_.faultFrom) return false;
  if (faults_.faultCount >= 0 && faultsUsed_ >= faults_.faultCount) return false;
  ++faultsUsed_;
  return true;
}

bool HttpServer::Answer(platform::Socket& sock, const std::string& head) {
  ServerFaults f;
  {
    platform::LockGuard lock(mutex_);
    f = faults_;
  }
  size_t sp1 = head.find(' '), sp2 = head.find(' ', sp1 + 1);
  if (sp1 == std::string::npos || sp2 == std::string::npos) return false;
  std::string method = head.substr(0, sp1), path = head.substr(sp1 + 1, sp2 - sp1 - 1);
  // A request through a proxy names the absolute URL; the path is what counts here.
  if (path.compare(0, 7, "http://") == 0) path = path.find('/', 7) == std::string::npos ? "/" : path.substr(path.find('/', 7));
  bool isHead = method == "HEAD";

  // A client that asks to close gets its answer and then the close.
  std::string connection = HeaderValue(head, "Connection");
  for (char& c : connection) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool closeAsked = connection.find("close") != std::string::npos;
  const std::string closing = closeAsked ? "Connection: close\r\n" : "";

  auto simple = [&](int status, const std::string& extra) {
    std::string body = std::to_string(status) + " " + Reason(status) + "\n";
    std::string r = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n" + extra + closing +
                    "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    if (!isHead) r += body;
    return sock.SendAll(r.data(), r.size()) && !closeAsked;
  };
  if (f.status) return simple(f.status, "");
  if (path.compare(0, 10, "/redirect/") == 0) {
    size_t slash = path.find('/', 10);
    int n = std::atoi(path.c_str() + 10);
    if (slash == std::string::npos || n < 1) return simple(404, "");
    std::string next = n == 1 ? path.substr(slash) : "/redirect/" + std::to_string(n - 1) + path.substr(slash);
    std::string extra = "Location: " + next + "\r\n";
    if (f.cookieOnRedirect) extra += "Set-Cookie: hop" + std::to_string(n) + "=" + std::to_string(n) + "; Path=/\r\n";
    return simple(302, extra);
  }
  std::shared_ptr<Resource> res = Find(path);
  if (!res) return simple(404, "");

  int64_t from = 0, to = res->size - 1;
  bool ranged = false;
  int64_t rs, re;
  if (ParseRange(HeaderValue(head, "Range"), &rs, &re)) {
    bool fault = TakeFault(rs);
    if (!(f.ignoreRange && fault)) {
      // A start past the end, or an end before the start, can be satisfied by no byte.
      if (rs >= res->size || (re >= 0 && re < rs)) {
        return simple(416, "Content-Range: bytes */" + std::to_string(res->size) + "\r\n");
      }
      ranged = true;
      from = fault ? std::min(rs + f.shiftRange, to) : rs;
      if (re >= 0 && re < to) to = re;
    }
    if (!fault) f.dropAfter = f.stallAfter = f.dripMs = -1;
  } else if (isHead || !TakeFault(0)) {
    f.dropAfter = f.stallAfter = f.dripMs = -1;
  }
  int64_t count = to - from + 1;
  std::string r = ranged ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
  if (ranged) {
    r += "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(to) + "/" + std::to_string(res->size) +
         "\r\n";
  }
  r += "Accept-Ranges: bytes\r\nContent-Type: application/octet-stream\r\n";
  bool keepAlive = !closeAsked;
  r += closing;
  if (f.chunked) {
    r += "Transfer-Encoding: chunked\r\n";
  } else if (f.noContentLength) {
    if (keepAlive) r += "Connection: close\r\n";
    keepAlive = false;
  } else {
    r += "Content-Length: " + std::to_string(count) + "\r\n";
  }
  r += "\r\n";
  if (!Send(sock, r.data(), r.size(), f.dripMs)) return false;
  if (isHead) return keepAlive;
  if (!SendBody(sock, *res, from, count, f.chunked, f.dropAfter, f.stallAfter, f.dripMs)) return false;
  return keepAlive;
}

bool HttpServer::SendBody(platform::Socket& sock, const Resource& resIn, int64_t from, int64_t count, bool chunked,
                          int64_t dropAt, int64_t stallAt, int dripMs) {
  Resource& res = const_cast<Resource&>(resIn);
  int64_t rate;
  int stallMs;
  {
    platform::LockGuard lock(mutex_);
    rate = faults_.rate;
    stallMs = faults_.stallMs;
  }
  size_t piece = kPiece;
  if (rate > 0) piece = static_cast<size_t>(std::max<int64_t>(1024, std::min<int64_t>(kPiece, rate / 50)));
  std::vector<char> buf(piece + 32);
  // The test's own clock, not the platform's tick count, which tests may move on.
  auto t0 = std::chrono::steady_clock::now();
  int64_t sent = 0;
  while (sent < count && !stopping_) {
    int64_t n = std::min<int64_t>(static_cast<int64_t>(piece), count - sent);
    if (dropAt >= 0 && sent + n > dropAt) n = dropAt - sent;
    if (stallAt >= 0 && sent + n > stallAt) n = stallAt - sent;
    if (n <= 0 && stallAt == sent && stallMs > 0) {
      // A pause, not a stall: the rest follows after it.
      auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(stallMs);
      while (!stopping_ && std::chrono::steady_clock::now() < until) {
        platform::SleepMs(10);
      }
      stallAt = -1;
      t0 = std::chrono::steady_clock::now() - std::chrono::microseconds(rate > 0 ? sent * 1000000 / rate : 0);
      continue;
    }
    if (n <= 0) break;
    if (rate > 0) {
      const int64_t dueMs = (sent + n) * 1000 / rate;
      const int64_t elapsed =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
      if (dueMs > elapsed) platform::SleepMs(static_cast<uint32_t>(dueMs - elapsed));
    }
    if (!res.Read(from + sent, buf.data(), static_cast<uint32_t>(n))) return false;
    if (chunked) {
      char size[16];
      int k = std::snprintf(size, sizeof size, "%llx\r\n", static_cast<unsigned long long>(n));
      if (!Send(sock, size, static_cast<size_t>(k), dripMs)) return false;
    }
    if (!Send(sock, buf.data(), static_cast<size_t>(n), dripMs)) return false;
    if (chunked && !Send(sock, "\r\n", 2, dripMs)) return false;
    sent += n;
  }
  if (sent < count) {
    if (dropAt >= 0 && sent >= dropAt) return false;
    // Stalled: hold the connection open, sending nothing, until the client
    // goes away or the server stops.
    char c;
    while (!stopping_) {
      int got = sock.Recv(&c, 1, 100);
      if (got != platform::kRecvTimeout) break;
    }
    return false;
  }
  if (chunked && !Send(sock, "0\r\n\r\n", 5, dripMs)) return false;
  return true;
}

bool HttpServer::Send(platform::Socket& sock, const char* p, size_t n, int dripMs) {
  if (dripMs <= 0) return sock.SendAll(p, n);
  auto due = std::chrono::steady_clock::now();
  for (size_t i = 0; i < n; ++i) {
    due += std::chrono::milliseconds(dripMs);
    while (std::chrono::steady_clock::now() < due) {
      if (stopping_) return false;
      platform::SleepMs(10);
    }
    if (!sock.SendAll(p + i, 1)) return false;
  }
  return true;
}

}  // namespace kit
