#include "driver/ConnectionPool.h"

#include <unistd.h>

#include "driver/FrameServer.h"

ConnectionPool::ConnectionPool(RequestHandler& handler, Limits limits,
                               std::function<void()> stopAsked)
    : handler_(handler), limits_(limits), stopAsked_(std::move(stopAsked)) {
    for (size_t i = 0; i < limits_.threads; ++i) threads_.emplace_back([this] { Work(); });
}

ConnectionPool::~ConnectionPool() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        closing_ = true;
        for (const Connection& waiting : queue_) close(waiting.fd);
        queue_.clear();
    }
    waiting_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

bool ConnectionPool::Take(int fd, uid_t user, bool mayStop) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        size_t& open = open_[user];
        if (open >= limits_.perUser) return false;
        ++open;
        queue_.push_back({fd, user, mayStop});
    }
    waiting_.notify_one();
    return true;
}

bool ConnectionPool::Idle() {
    std::lock_guard<std::mutex> guard(mutex_);
    return open_.empty();
}

void ConnectionPool::Work() {
    // A buffer and shared mapping of this thread's own, kept between requests.
    FrameServer frames(handler_);
    for (;;) {
        Connection connection{};
        {
            std::unique_lock<std::mutex> lock(mutex_);
            waiting_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            if (queue_.empty()) return;
            connection = queue_.front();
            queue_.pop_front();
        }
        if (frames.ServeConnection(connection.fd, connection.mayStop) ==
            FrameServer::Outcome::Stop) {
            stopAsked_();
        }
        Finish(connection);
    }
}

void ConnectionPool::Finish(const Connection& connection) {
    close(connection.fd);
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = open_.find(connection.user);
    if (--it->second == 0) open_.erase(it);
}
