#include "common/MachineMemory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <string>

namespace kalemir {

namespace {

std::optional<long long> FileLimit(const char* path) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ControlGroupLimit(text);
}

} // namespace

long long UsableBytes(const MemoryLimits& limits) {
    long long usable = limits.PhysicalBytes;
    for (const auto& limit : {limits.ControlGroupBytes, limits.AddressSpaceBytes}) {
        if (limit && *limit > 0) {
            usable = usable > 0 ? std::min(usable, *limit) : *limit;
        }
    }
    return usable;
}

std::optional<long long> ControlGroupLimit(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    long long bytes = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bytes);
    if (error != std::errc() || end != text.data() + text.size() || bytes <= 0) {
        return std::nullopt;
    }
    return bytes;
}

MemoryLimits ReadMemoryLimits() {
    MemoryLimits limits;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0) {
        limits.PhysicalBytes = static_cast<long long>(pages) * pageSize;
    }
    // The unified hierarchy first; the older memory controller reports a huge number when
    // no limit is set, which the physical memory then bounds.
    limits.ControlGroupBytes = FileLimit("/sys/fs/cgroup/memory.max");
    if (!limits.ControlGroupBytes) {
        limits.ControlGroupBytes = FileLimit("/sys/fs/cgroup/memory/memory.limit_in_bytes");
    }
    rlimit space{};
    if (getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY) {
        limits.AddressSpaceBytes = static_cast<long long>(space.rlim_cur);
    }
    return limits;
}

long long MachineMemoryBytes() {
    return UsableBytes(ReadMemoryLimits());
}

} // namespace kalemir
