#include "common/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kalemir {
namespace {

// Every piece is handed out exactly once, whatever the number of workers, the grain
// and a count that does not divide into whole runs.
TEST(WorkerPool, HandsOutEveryPieceOnce) {
    for (int threads : {1, 2, 3, 8}) {
        WorkerPool pool(threads);
        EXPECT_EQ(pool.Size(), threads);
        for (int count : {0, 1, 7, 64, 1001}) {
            for (int grain : {1, 5, 64, 5000}) {
                std::vector<std::atomic<int>> seen(static_cast<std::size_t>(count));
                pool.ForEach(count, grain, [&](int first, int last, int worker) {
                    ASSERT_LT(first, last);
                    ASSERT_LE(last - first, grain);
                    ASSERT_GE(worker, 0);
                    ASSERT_LT(worker, threads);
                    for (int i = first; i < last; ++i) {
                        seen[static_cast<std::size_t>(i)].fetch_add(1);
                    }
                });
                for (int i = 0; i < count; ++i) {
                    ASSERT_EQ(seen[static_cast<std::size_t>(i)].load(), 1)
                        << threads << " threads, " << count << " pieces, grain " << grain;
                }
            }
        }
    }
}

TEST(WorkerPool, OneWorkerRunsOnTheCallingThread) {
    WorkerPool pool(1);
    const std::thread::id caller = std::this_thread::get_id();
    bool sameThread = true;
    pool.ForEach(100, 3, [&](int, int, int) {
        sameThread = sameThread && std::this_thread::get_id() == caller;
    });
    EXPECT_TRUE(sameThread);
}

// A failing piece ends the loop with its exception on the caller, and the pool still
// runs the next loop in full.
TEST(WorkerPool, FailureReachesTheCallerAndThePoolGoesOn) {
    WorkerPool pool(2);
    EXPECT_THROW(pool.ForEach(1000, 10,
                              [](int first, int last, int) {
                                  if (first <= 500 && 500 < last) {
                                      throw std::runtime_error("piece 500");
                                  }
                              }),
                 std::runtime_error);
    std::atomic<int> total{0};
    pool.ForEach(1000, 10, [&](int first, int last, int) { total += last - first; });
    EXPECT_EQ(total.load(), 1000);
}

// A started loop leaves the calling thread free: a piece the background worker holds
// waits for the calling thread, which only reaches it between Start and Join.
TEST(WorkerPool, StartReturnsBeforeThePiecesAreDone) {
    WorkerPool pool(2);
    std::atomic<bool> callerWasFree{false};
    std::atomic<int> done{0};
    pool.Start(1, 1, [&](int, int, int worker) {
        if (worker != 0) {
            while (!callerWasFree.load()) {
                std::this_thread::yield();
            }
        }
        ++done;
    });
    callerWasFree = true;
    pool.Join();
    EXPECT_EQ(done.load(), 1);
}

// Join takes the pieces left as worker 0: a background worker stuck in its first piece until
// worker 0 has done one leaves the other piece to the calling thread (else Join never ends).
// Every piece is done once, on one worker and several.
TEST(WorkerPool, JoinHelpsWithThePiecesLeft) {
    for (int threads : {1, 2, 3}) {
        WorkerPool pool(threads);
        std::atomic<bool> helped{false};
        std::vector<std::atomic<int>> seen(2);
        pool.Start(2, 1, [&](int first, int, int worker) {
            if (worker == 0) {
                helped = true;
            } else {
                while (!helped.load()) {
                    std::this_thread::yield();
                }
            }
            seen[static_cast<std::size_t>(first)].fetch_add(1);
        });
        pool.Join();
        EXPECT_TRUE(helped.load()) << threads;
        EXPECT_EQ(seen[0].load(), 1) << threads;
        EXPECT_EQ(seen[1].load(), 1) << threads;
        pool.Join(); // nothing started: returns at once
    }
}

// A failing piece of a started loop reaches the caller in Join; an abandoned loop runs no
// piece after Abandon returns, and the pool goes on in full.
TEST(WorkerPool, StartedLoopCarriesItsFailureOrIsAbandoned) {
    for (int threads : {1, 2}) {
        WorkerPool pool(threads);
        pool.Start(1000, 10, [](int first, int last, int) {
            if (first <= 500 && 500 < last) {
                throw std::runtime_error("piece 500");
            }
        });
        EXPECT_THROW(pool.Join(), std::runtime_error) << threads;
        std::atomic<bool> abandoned{false};
        std::atomic<int> late{0};
        pool.Start(1000, 1, [&](int, int, int) {
            if (abandoned.load()) {
                ++late;
            }
        });
        pool.Abandon();
        abandoned = true;
        std::atomic<int> total{0};
        pool.ForEach(1000, 10, [&](int first, int last, int) { total += last - first; });
        EXPECT_EQ(total.load(), 1000) << threads;
        EXPECT_EQ(late.load(), 0) << threads;
    }
}

TEST(WorkerPool, ZeroTakesTheMachineCores) {
    WorkerPool pool(0);
    EXPECT_EQ(pool.Size(), WorkerPool::MachineCores());
    EXPECT_GE(WorkerPool::MachineCores(), 1);
}

} // namespace
} // namespace kalemir
