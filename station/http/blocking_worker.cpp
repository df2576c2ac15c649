// The thread for jobs that may block (see blocking_worker.h).
#include "station/http/blocking_worker.h"

#include <boost/asio/post.hpp>
#include <memory>

namespace station {
namespace {
constexpr std::size_t kMaxQueuedJobs = 8;
}  // namespace

BlockingWorker::BlockingWorker(boost::asio::io_context& ioc)
    : ioc_(ioc), thread_([this] { Loop(); }) {}

BlockingWorker::~BlockingWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool BlockingWorker::Submit(Job job, Done done) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (queue_.size() >= kMaxQueuedJobs) return false;
  queue_.emplace_back(std::move(job), std::move(done));
  wake_.notify_all();
  return true;
}

void BlockingWorker::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    auto job = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    auto response = std::make_shared<Response>(job.first());
    boost::asio::post(ioc_, [done = std::move(job.second), response] { done(std::move(*response)); });
    lock.lock();
  }
}

}  // namespace station
