#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {
// poll() until the descriptor is ready; 0 waits without limit. 1 ready, 0 time-out, -1 error.
int WaitReady(int fd, short events, uint32_t timeoutMs) {
  pollfd p{fd, events, 0};
  for (;;) {
    int r = ::poll(&p, 1, timeoutMs == 0 ? -1 : static_cast<int>(timeoutMs));
    if (r < 0 && errno == EINTR) continue;
    return r > 0 ? 1 : r;
  }
}

bool ResolveV4(const std::string& host, uint16_t port, sockaddr_in* out) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res) return false;
  std::memcpy(out, res->ai_addr, sizeof *out);
  ::freeaddrinfo(res);
  out->sin_port = htons(port);
  return true;
}
}  // namespace

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : handle_(other.handle_.exchange(kInvalid)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_.exchange(kInvalid);
  }
  return *this;
}

bool Socket::Connect(const std::string& host, uint16_t port, uint32_t timeoutMs) {
  Close();
  sockaddr_in addr{};
  if (!ResolveV4(host, port, &addr)) return false;
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int r = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  if (r != 0 && errno == EINPROGRESS && WaitReady(fd, POLLOUT, timeoutMs) == 1) {
    int err = 0;
    socklen_t len = sizeof err;
    r = (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) ? 0 : -1;
  }
  if (r != 0) {
    ::close(fd);
    return false;
  }
  ::fcntl(fd, F_SETFL, flags);
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  handle_ = fd;
  return true;
}

int Socket::Recv(void* buf, size_t n, uint32_t timeoutMs) {
  int fd = handle_;
  if (fd < 0) return kRecvError;
  // Data that is already there is taken without a poll() first.
  for (bool waited = false;;) {
    ssize_t got = ::recv(fd, buf, n, waited ? 0 : MSG_DONTWAIT);
    if (got >= 0) return static_cast<int>(got);
    if (errno == EINTR) continue;
    if (waited || (errno != EAGAIN && errno != EWOULDBLOCK)) return kRecvError;
    int w = WaitReady(fd, POLLIN, timeoutMs);
    if (w == 0) return kRecvTimeout;
    if (w < 0) return kRecvError;
    waited = true;
  }
}

bool Socket::SendAll(const void* buf, size_t n) {
  int fd = handle_;
  const char* p = static_cast<const char*>(buf);
  while (fd >= 0 && n > 0) {
    ssize_t sent = ::send(fd, p, n, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    p += sent;
    n -= static_cast<size_t>(sent);
  }
  return fd >= 0;
}

void Socket::Shutdown() {
  int fd = handle_;
  if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

void Socket::Close() {
  int fd = handle_.exchange(kInvalid);
  if (fd >= 0) ::close(fd);
}

Listener::~Listener() { Close(); }

bool Listener::Listen(uint16_t port) {
  Close();
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  socklen_t len = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    return false;
  }
  port_ = ntohs(addr.sin_port);
  sock_.handle_ = fd;
  return true;
}

bool Listener::Accept(Socket* out, uint32_t timeoutMs) {
  int fd = sock_.handle_;
  if (fd < 0 || WaitReady(fd, POLLIN, timeoutMs) != 1) return false;
  int c = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
  if (c < 0) return false;
  int one = 1;
  ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  out->Close();
  out->handle_ = c;
  return true;
}

void Listener::Close() { sock_.Close(); }

}  // namespace platform
