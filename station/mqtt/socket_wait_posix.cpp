// The MQTT thread's wait on POSIX: poll() on the broker's socket and on the
// read end of a non-blocking pipe that Wake writes one byte to.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "station/mqtt/socket_wait.h"

namespace station {

struct SocketWait::Impl {
  int pipe[2] = {-1, -1};
};

SocketWait::SocketWait() : impl_(std::make_unique<Impl>()) {}

SocketWait::~SocketWait() {
  for (int fd : impl_->pipe) {
    if (fd >= 0) close(fd);
  }
}

bool SocketWait::Open(std::string& error) {
  if (pipe2(impl_->pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    error = std::string("cannot make the MQTT thread's wake-up (") + std::strerror(errno) + ")";
    return false;
  }
  return true;
}

void SocketWait::Wake() {
  // A full pipe holds wake-ups enough.
  const char byte = 1;
  if (write(impl_->pipe[1], &byte, 1) < 0) return;
}

SocketWait::Ready SocketWait::Wait(int socket, bool wantWrite, int timeoutMs) {
  pollfd fds[2] = {{impl_->pipe[0], POLLIN, 0}, {socket, 0, 0}};
  fds[1].events = static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0));
  const int n = poll(fds, socket >= 0 ? 2 : 1, timeoutMs);
  Ready ready;
  if (n <= 0) return ready;
  if (fds[0].revents != 0) {
    char drain[64];
    while (read(impl_->pipe[0], drain, sizeof drain) > 0) {
    }
  }
  // An error or a hang-up is for the library's read to find.
  ready.read = socket >= 0 && (fds[1].revents & (POLLIN | POLLERR | POLLHUP)) != 0;
  ready.write = socket >= 0 && (fds[1].revents & POLLOUT) != 0;
  return ready;
}

}  // namespace station
