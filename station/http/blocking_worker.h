// Runs the jobs that may block (a command opens and writes the controller,
// which can take a while) on a thread of its own and hands each response
// back to the server's thread.
#pragma once

#include <boost/asio/io_context.hpp>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "station/http/responses.h"

namespace station {

class BlockingWorker {
 public:
  using Job = std::function<Response()>;
  using Done = std::function<void(Response)>;
  explicit BlockingWorker(boost::asio::io_context& ioc);
  ~BlockingWorker();
  // false when too many are waiting already.
  bool Submit(Job job, Done done);

 private:
  void Loop();
  boost::asio::io_context& ioc_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::pair<Job, Done>> queue_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace station
