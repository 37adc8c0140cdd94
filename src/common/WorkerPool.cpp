#include "common/WorkerPool.h"

#include <algorithm>
#include <cassert>
#include <chrono>

namespace kalemir {

int WorkerPool::MachineCores() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

WorkerPool::WorkerPool(int threads) {
    if (threads <= 0) {
        threads = MachineCores();
    }
    threads_.reserve(static_cast<std::size_t>(threads) - 1);
    for (int w = 1; w < threads; ++w) {
        threads_.emplace_back([this, w] { Work(w); });
    }
}

WorkerPool::~WorkerPool() {
    Abandon();
    {
        std::lock_guard lock(mutex_);
        closing_.store(true);
    }
    start_.notify_all();
    for (std::thread& t : threads_) {
        t.join();
    }
}

void WorkerPool::TakePieces(int worker) {
    // Pieces are taken without a lock, so that no worker sleeps in the middle of a loop.
    for (;;) {
        if (failed_.load(std::memory_order_relaxed)) {
            return;
        }
        const int first = next_.fetch_add(grain_, std::memory_order_relaxed);
        if (first >= count_) {
            return;
        }
        const int last = std::min(count_, first + grain_);
        try {
            (*body_)(first, last, worker);
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!failure_) {
                failure_ = std::current_exception();
            }
            failed_.store(true);
            return;
        }
    }
}

namespace {

/// Watches `ready` for a short while before the caller goes to sleep on a condition:
/// the searches hand out loops a few milliseconds apart, and a worker that sleeps in
/// between is often woken on the core of the thread that woke it, where it has to wait.
template <typename Ready> void AwaitBriefly(Ready ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(100);
    for (;;) {
        for (int spin = 0; spin < 256; ++spin) {
            if (ready()) {
                return;
            }
        }
        if (std::chrono::steady_clock::now() > until) {
            return;
        }
    }
}

} // namespace

void WorkerPool::Work(int worker) {
    unsigned seen = 0;
    for (;;) {
        AwaitBriefly([&] {
            return closing_.load(std::memory_order_acquire) ||
                   generation_.load(std::memory_order_acquire) != seen;
        });
        {
            std::unique_lock lock(mutex_);
            start_.wait(lock, [&] { return closing_.load() || generation_.load() != seen; });
            if (closing_.load()) {
                return;
            }
            seen = generation_.load();
        }
        TakePieces(worker);
        {
            std::lock_guard lock(mutex_);
            busy_.fetch_sub(1);
        }
        done_.notify_one();
    }
}

void WorkerPool::Hand(int count, int grain, const Body& body) {
    {
        std::lock_guard lock(mutex_);
        body_ = &body;
        count_ = count;
        grain_ = grain;
        next_.store(0);
        failed_.store(false);
        failure_ = nullptr;
        busy_.store(static_cast<int>(threads_.size()));
        generation_.fetch_add(1);
    }
    start_.notify_all();
}

std::exception_ptr WorkerPool::AwaitWorkers() {
    AwaitBriefly([&] { return busy_.load(std::memory_order_acquire) == 0; });
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return busy_.load() == 0; });
    body_ = nullptr;
    std::exception_ptr failure = failure_;
    failure_ = nullptr;
    return failure;
}

void WorkerPool::ForEach(int count, int grain, const Body& body) {
    assert(!pending_ && "a started loop is not joined");
    if (count <= 0) {
        return;
    }
    grain = std::max(grain, 1);
    if (threads_.empty() || count <= grain) {
        for (int first = 0; first < count; first += grain) {
            body(first, std::min(count, first + grain), 0);
        }
        return;
    }
    Hand(count, grain, body);
    TakePieces(0);
    if (const std::exception_ptr failure = AwaitWorkers()) {
        std::rethrow_exception(failure);
    }
}

void WorkerPool::Start(int count, int grain, Body body) {
    assert(!pending_ && "a started loop is not joined");
    started_ = std::move(body);
    pending_ = true;
    // Without background workers the calling thread takes every piece in Join.
    count_ = std::max(count, 0);
    grain_ = std::max(grain, 1);
    if (!threads_.empty() && count_ > 0) {
        Hand(count_, grain_, started_);
    }
}

void WorkerPool::Join() {
    if (!pending_) {
        return;
    }
    pending_ = false;
    std::exception_ptr failure;
    if (threads_.empty() || count_ == 0) {
        try {
            for (int first = 0; first < count_; first += grain_) {
                started_(first, std::min(count_, first + grain_), 0);
            }
        } catch (...) {
            failure = std::current_exception();
        }
    } else {
        TakePieces(0);
        failure = AwaitWorkers();
    }
    started_ = nullptr;
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void WorkerPool::Abandon() noexcept {
    if (!pending_) {
        return;
    }
    pending_ = false;
    if (!threads_.empty() && count_ > 0) {
        failed_.store(true);
        AwaitWorkers();
    }
    started_ = nullptr;
}

} // namespace kalemir
