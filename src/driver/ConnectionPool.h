// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "driver/RequestHandler.h"

// Serves the connections of admitted peers on a few threads, each with a
// frame server of its own, so one connection's slow or absent bytes hold up
// no other. A user has only a few connections served at once: one user's
// connections never take every thread, whatever that user does.
class ConnectionPool {
  public:
    struct Limits {
        size_t threads = 8;
        size_t perUser = 3;
    };

    // `stopAsked` is called on a serving thread when an owner's stop frame
    // has been answered.
    ConnectionPool(RequestHandler& handler, Limits limits, std::function<void()> stopAsked);
    // Closes the connections still waiting and waits for those being served,
    // which their frame deadline bounds.
    ~ConnectionPool();
    ConnectionPool(const ConnectionPool&) = delete;
    ConnectionPool& operator=(const ConnectionPool&) = delete;

    // Takes the connection of an admitted peer; false, leaving it to the
    // caller, when `user` already has as many open as allowed.
    bool Take(int fd, uid_t user, bool mayStop);
    // No connection waiting or being served.
    bool Idle();

  private:
    struct Connection {
        int fd;
        uid_t user;
        bool mayStop;
    };
    // A thread waiting for a connection, woken on its own.
    struct Waiter {
        std::condition_variable wake;
        bool woken = false;
    };

    void Work(Waiter& self);
    // The next connection for this thread; false when the pool closes.
    bool Next(Waiter& self, Connection* connection);
    void Finish(const Connection& connection);

    RequestHandler& handler_;
    Limits limits_;
    std::function<void()> stopAsked_;
    std::mutex mutex_;
    std::deque<Connection> queue_;
    std::map<uid_t, size_t> open_;
    // The threads waiting, the last to finish at the back: it is woken
    // first, its buffers still warm from the connection before.
    std::vector<Waiter*> waiting_;
    bool closing_ = false;
    std::list<Waiter> waiters_;
    std::vector<std::thread> threads_;
};
