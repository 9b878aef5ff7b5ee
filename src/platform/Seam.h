// SPDX-License-Identifier: MIT
#pragma once

// The single point where tests put a double in place of an operating-system
// service. Production code always asks Current(); Native() is the real one.
template <class Service>
class Seam {
public:
    static Service& Current() { return override_ ? *override_ : Service::Native(); }
    static Service* Exchange(Service* replacement) {
        Service* previous = override_;
        override_ = replacement;
        return previous;
    }

private:
    static inline Service* override_ = nullptr;
};

// Puts a double in place for the lifetime of the guard.
template <class Service>
class ScopedOverride {
public:
    explicit ScopedOverride(Service& replacement)
        : previous_(Seam<Service>::Exchange(&replacement)) {}
    ~ScopedOverride() { Seam<Service>::Exchange(previous_); }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    Service* previous_;
};
