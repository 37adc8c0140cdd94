#pragma once
// Every write of a report, data or work file passes through WriteBytes. Besides keeping
// the error handling in one place, this is the file layer's test seam: a test (or the
// KALEMIR_FAIL_NTH_WRITE environment variable, read by the programs at start) can make
// the n-th write fail the way a full disk does, after storing only part of its bytes.

#include <cstddef>
#include <cstdio>

namespace kalemir {

/// Writes all `size` bytes to `file` (buffered as the stream is); false (errno set) when
/// they could not all be written.
bool WriteBytes(std::FILE* file, const void* data, std::size_t size);

/// Test seam: the n-th call of WriteBytes from now on (n >= 1) stores half of its bytes and
/// fails with ENOSPC; n = 0 disarms. Also restarts the count of WritesSinceArmed.
void FailNthWrite(long n);

/// Number of WriteBytes calls since the last FailNthWrite (how many writes a run makes).
long WritesSinceArmed();

/// Arms FailNthWrite from the environment variable KALEMIR_FAIL_NTH_WRITE when it is set.
void ArmWriteFaultFromEnvironment();

} // namespace kalemir
