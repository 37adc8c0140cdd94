#pragma once
// A fixed set of worker threads that share out the independent pieces of a long loop.
// The pieces write their results by index, so the outcome never depends on which worker
// took which piece or when: one worker and many give the same results.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kalemir {

class WorkerPool {
public:
    /// Body of a loop: handles the pieces first..last-1 as worker `worker` (0..Size()-1;
    /// 0 is the calling thread).
    using Body = std::function<void(int first, int last, int worker)>;

    /// threads <= 0 takes the machine's cores; 1 runs every loop on the calling thread.
    explicit WorkerPool(int threads = 0);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    /// The number of workers, the calling thread included.
    int Size() const { return static_cast<int>(threads_.size()) + 1; }

    /// Runs body over the pieces 0..count-1 in runs of at most `grain` pieces and returns
    /// when every piece is done. An exception thrown by a piece is thrown again here once
    /// the others have finished (the first one caught).
    void ForEach(int count, int grain, const Body& body);

    /// Starts body over the pieces 0..count-1 on the background workers and returns at
    /// once, leaving the calling thread free for other work until Join. One started loop
    /// at a time, and no ForEach until it is joined.
    void Start(int count, int grain, Body body);

    /// Takes the pieces of the started loop still left as worker 0, returns when every
    /// piece is done and throws again the first exception a piece threw. Does nothing
    /// when no loop is started.
    void Join();

    /// Ends the started loop without its failure: no more pieces are handed out, and the
    /// call returns once no worker runs the body any more (for a caller left by an
    /// exception, before the body's data go away).
    void Abandon() noexcept;

    /// The machine's cores (at least 1).
    static int MachineCores();

private:
    void Work(int worker);
    void TakePieces(int worker);
    /// Hands the loop over pieces 0..count-1 to the background workers.
    void Hand(int count, int grain, const Body& body);
    /// Waits for the background workers to leave the loop and returns its failure.
    std::exception_ptr AwaitWorkers();

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    const Body* body_ = nullptr;
    int count_ = 0;
    int grain_ = 1;
    std::atomic<int> next_{0};        ///< first piece not yet handed out
    std::atomic<bool> failed_{false}; ///< a piece threw: hand out no more
    // Written under mutex_; read without it by the short waits before sleeping.
    std::atomic<unsigned> generation_{0}; ///< bumped for every loop
    std::atomic<int> busy_{0};            ///< background workers still in the current loop
    std::atomic<bool> closing_{false};
    std::exception_ptr failure_;
    Body started_;         ///< the body of the loop Start began
    bool pending_ = false; ///< a started loop awaits Join
};

/// Ends the pool's started loop (if any is left unjoined) when the scope is left by an
/// exception, before the data its pieces read go away.
class StartedLoopGuard {
public:
    explicit StartedLoopGuard(WorkerPool* pool) : pool_(pool) {}
    StartedLoopGuard(const StartedLoopGuard&) = delete;
    StartedLoopGuard& operator=(const StartedLoopGuard&) = delete;
    ~StartedLoopGuard() {
        if (pool_ != nullptr) {
            pool_->Abandon();
        }
    }

private:
    WorkerPool* pool_;
};

/// Runs body over the pieces 0..count-1 on `pool` (see ForEach), or in one call on the
/// calling thread as worker 0 when there is no pool.
inline void ForEachOn(WorkerPool* pool, int count, int grain, const WorkerPool::Body& body) {
    if (pool != nullptr) {
        pool->ForEach(count, grain, body);
    } else if (count > 0) {
        body(0, count, 0);
    }
}

} // namespace kalemir
