// SPDX-License-Identifier: MIT
#include "driver/ConnectionPool.h"

#include <unistd.h>

#include "driver/FrameServer.h"

ConnectionPool::ConnectionPool(RequestHandler& handler, Limits limits,
                               std::function<void()> stopAsked)
    : handler_(handler), limits_(limits), stopAsked_(std::move(stopAsked)) {
    for (size_t i = 0; i < limits_.threads; ++i) {
        Waiter& waiter = waiters_.emplace_back();
        threads_.emplace_back([this, &waiter] { Work(waiter); });
    }
}

ConnectionPool::~ConnectionPool() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        closing_ = true;
        for (const Connection& waiting : queue_) close(waiting.fd);
        queue_.clear();
        for (Waiter& waiter : waiters_) waiter.wake.notify_one();
    }
    for (std::thread& thread : threads_) thread.join();
}

bool ConnectionPool::Take(int fd, uid_t user, bool mayStop) {
    std::lock_guard<std::mutex> guard(mutex_);
    size_t& open = open_[user];
    if (open >= limits_.perUser) return false;
    ++open;
    queue_.push_back({fd, user, mayStop});
    if (!waiting_.empty()) {
        Waiter* waiter = waiting_.back();
        waiting_.pop_back();
        waiter->woken = true;
        waiter->wake.notify_one();
    }
    return true;
}

bool ConnectionPool::Idle() {
    std::lock_guard<std::mutex> guard(mutex_);
    return open_.empty();
}

void ConnectionPool::Work(Waiter& self) {
    // A buffer and shared mapping of this thread's own, kept between requests.
    FrameServer frames(handler_);
    Connection connection{};
    while (Next(self, &connection)) {
        if (frames.ServeConnection(connection.fd, connection.mayStop) ==
            FrameServer::Outcome::Stop) {
            stopAsked_();
        }
        Finish(connection);
    }
}

bool ConnectionPool::Next(Waiter& self, Connection* connection) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (queue_.empty() && !closing_) {
        waiting_.push_back(&self);
        self.wake.wait(lock, [&] { return self.woken || closing_; });
        self.woken = false;
    }
    if (queue_.empty()) return false;
    *connection = queue_.front();
    queue_.pop_front();
    return true;
}

void ConnectionPool::Finish(const Connection& connection) {
    close(connection.fd);
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = open_.find(connection.user);
    if (--it->second == 0) open_.erase(it);
}
