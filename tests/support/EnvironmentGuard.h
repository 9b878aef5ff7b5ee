// SPDX-License-Identifier: MIT
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// Keeps an environment variable as it was: whatever a test sets or unsets
// through it (or otherwise) is put back when the guard goes.
class EnvironmentGuard {
  public:
    explicit EnvironmentGuard(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) saved_ = value;
    }
    EnvironmentGuard(const char* name, const std::string& value) : EnvironmentGuard(name) {
        Set(value);
    }
    ~EnvironmentGuard() { Restore(); }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

    void Set(const std::string& value) const { setenv(name_, value.c_str(), 1); }
    void Unset() const { unsetenv(name_); }
    // The value the variable had when the guard was made.
    const std::optional<std::string>& Saved() const { return saved_; }
    void Restore() const {
        if (saved_) {
            Set(*saved_);
        } else {
            Unset();
        }
    }

  private:
    const char* name_;
    std::optional<std::string> saved_;
};
