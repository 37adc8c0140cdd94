#pragma once
// One similarity run per folder. The table window's preparation, the computing window's
// analysis and the command line's run of both hold the working folder's run lock through
// this one helper, so that every front end refuses a folder another run holds alike.

#include "common/RunLock.h"

#include <utility>

namespace kalemir::sim {

/// The program whose run lock a similarity run holds.
inline constexpr const char* kSimilarityProgram = "KalemirS";

/// Runs `step` holding the current folder's run lock. Throws InputError, before the step
/// starts, when another run holds the folder.
template <typename Step> void RunLocked(Step&& step) {
    const RunLock lock(kSimilarityProgram);
    std::forward<Step>(step)();
}

} // namespace kalemir::sim
