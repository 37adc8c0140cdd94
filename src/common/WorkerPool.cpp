#include "common/WorkerPool.h"

#include <algorithm>

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
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    start_.notify_all();
    for (std::thread& t : threads_) {
        t.join();
    }
}

void WorkerPool::TakePieces(int worker) {
    for (;;) {
        int first = 0;
        int last = 0;
        {
            std::lock_guard lock(mutex_);
            if (next_ >= count_ || failure_) {
                return;
            }
            first = next_;
            last = std::min(count_, first + grain_);
            next_ = last;
        }
        try {
            (*body_)(first, last, worker);
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!failure_) {
                failure_ = std::current_exception();
            }
            return;
        }
    }
}

void WorkerPool::Work(int worker) {
    unsigned seen = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            start_.wait(lock, [&] { return closing_ || generation_ != seen; });
            if (closing_) {
                return;
            }
            seen = generation_;
        }
        TakePieces(worker);
        {
            std::lock_guard lock(mutex_);
            --busy_;
        }
        done_.notify_one();
    }
}

void WorkerPool::ForEach(int count, int grain, const Body& body) {
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
    {
        std::lock_guard lock(mutex_);
        body_ = &body;
        count_ = count;
        grain_ = grain;
        next_ = 0;
        failure_ = nullptr;
        busy_ = static_cast<int>(threads_.size());
        ++generation_;
    }
    start_.notify_all();
    TakePieces(0);
    std::exception_ptr failure;
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return busy_ == 0; });
        body_ = nullptr;
        failure = failure_;
        failure_ = nullptr;
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace kalemir
