// A small HTTP/1.1 download server on 127.0.0.1: static resources with HEAD,
// ranged GET (206 with Content-Range) and keep-alive, plus switches that make it
// misbehave the ways real servers and networks do. Unit tests run it in-process
// on a free port; `veltaro-kit serve` runs it over a release folder.
#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "platform/thread.h"

namespace kit {

struct ServerFaults {
  int64_t dropAfter = -1;    // close the connection after this many body bytes
  int64_t stallAfter = -1;   // send this many body bytes, then nothing more
  int stallMs = 0;           // ... for this long, then the rest (0: for good)
  bool ignoreRange = false;  // answer ranged requests with 200 and the whole body
  int64_t shiftRange = 0;    // a 206 starts this many bytes after the asked start (and says so)
  bool noContentLength = false;  // no length; the body ends when the connection closes
  bool chunked = false;
  bool cookieOnRedirect = false;  // every redirect answer sets a cookie
  int status = 0;        // answer every request with this status
  int64_t rate = 0;      // bytes per second on each connection; 0 for no limit
  int dripMs = 0;        // a GET's answer, head and body, goes out one byte every dripMs ms
  // Drop, stall, drip, ignore-range and shift-range hit only requests whose range starts at or
  // after this offset (0: every request), and only the first faultCount of
  // those (-1: all).
  int64_t faultFrom = 0;
  int faultCount = -1;
};

class HttpServer {
 public:
  // rootDir: a folder (Windows path) whose files are served too; may be empty.
  explicit HttpServer(std::string rootDir = std::string());
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // "/a/b.zip" answers with content. Paths "/redirect/N/rest" answer 302 to
  // "/redirect/N-1/rest", and "/redirect/1/rest" to "/rest".
  void AddFile(const std::string& urlPath, std::string content);
  void SetFaults(const ServerFaults& faults);

  bool Start(uint16_t port = 0);
  void Stop();  // closes every connection and waits for every thread
  uint16_t Port() const { return listener_.Port(); }
  std::string Url(const std::string& path) const;

  // The request heads received so far, byte for byte, oldest first.
  std::vector<std::string> Requests();
  int ConnectionCount() const { return connections_; }

 private:
  struct Resource;
  struct Conn {
    platform::Socket sock;
    platform::Thread thread;
    std::atomic<bool> done{false};
  };

  void AcceptLoop();
  void Serve(Conn* conn);
  bool Answer(platform::Socket& sock, const std::string& head);
  bool SendBody(platform::Socket& sock, const Resource& res, int64_t from, int64_t count, bool chunked,
                int64_t dropAt, int64_t stallAt, int dripMs);
  // All n bytes, or one at a time dripMs apart when dripMs > 0.
  bool Send(platform::Socket& sock, const char* p, size_t n, int dripMs);
  std::shared_ptr<Resource> Find(const std::string& path);
  bool TakeFault(int64_t rangeStart);

  std::string root_;
  platform::Listener listener_;
  platform::Thread acceptThread_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  platform::Mutex mutex_;  // guards everything below
  std::map<std::string, std::shared_ptr<const std::string>> files_;
  ServerFaults faults_;
  int faultsUsed_ = 0;
  std::vector<std::string> requests_;
  std::vector<std::unique_ptr<Conn>> conns_;
};

}  // namespace kit
