// The MQTT thread's one wait: until the broker's socket can be read (or
// written, when asked), another thread wakes it, or the time is up. Wake is
// for any thread and never blocks. Realised per platform
// (socket_wait_posix.cpp: a pipe and poll; socket_wait_win32.cpp: a
// loopback datagram socket and select, as Winsock selects sockets only).
#pragma once

#include <memory>
#include <string>

namespace station {

class SocketWait {
 public:
  struct Ready {
    bool read = false;
    bool write = false;
  };

  SocketWait();
  ~SocketWait();
  SocketWait(const SocketWait&) = delete;
  SocketWait& operator=(const SocketWait&) = delete;

  // False with `error` set when the wake-up cannot be made.
  bool Open(std::string& error);
  // From any thread: the wait in progress, or the next one, returns.
  void Wake();
  // socket: as libmosquitto gives it (-1: none, then only Wake and the time
  // end the wait). Drains the wake-ups that came.
  Ready Wait(int socket, bool wantWrite, int timeoutMs);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace station
