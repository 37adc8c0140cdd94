#include "common/FileFaults.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace kalemir {

namespace {
// The seam's only state: the process's count of writes and the write that is to fail.
std::atomic<long> writeCount{0};
std::atomic<long> failingWrite{0};
} // namespace

bool WriteBytes(std::FILE* file, const void* data, std::size_t size) {
    const long number = ++writeCount;
    if (number == failingWrite.load()) {
        // What a full disk leaves: the first part of the bytes, then an error.
        std::fwrite(data, 1, size / 2, file);
        std::fflush(file);
        errno = ENOSPC;
        return false;
    }
    return size == 0 || std::fwrite(data, 1, size, file) == size;
}

void FailNthWrite(long n) {
    writeCount = 0;
    failingWrite = n;
}

long WritesSinceArmed() {
    return writeCount.load();
}

void ArmWriteFaultFromEnvironment() {
    const char* text = std::getenv("KALEMIR_FAIL_NTH_WRITE");
    if (text != nullptr && *text != '\0') {
        FailNthWrite(std::strtol(text, nullptr, 10));
    }
}

} // namespace kalemir
