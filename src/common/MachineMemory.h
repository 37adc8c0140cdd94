#pragma once
// The memory a run may use: the machine's physical memory, lowered by the control group's
// limit and the address-space limit of the process when they are set.

#include <optional>
#include <string_view>

namespace kalemir {

/// The limits that bound the memory of this process, in bytes (unset: no such limit).
struct MemoryLimits {
    long long PhysicalBytes = 0;
    std::optional<long long> ControlGroupBytes;
    std::optional<long long> AddressSpaceBytes;
};

/// The smallest of the limits that are set (0 when none is known).
long long UsableBytes(const MemoryLimits& limits);

/// A control group's memory limit as its file holds it: a number of bytes, or "max" (no
/// limit). Unset for "max" and for text that is not a number.
std::optional<long long> ControlGroupLimit(std::string_view text);

/// The limits of this process as the system reports them now.
MemoryLimits ReadMemoryLimits();

/// UsableBytes(ReadMemoryLimits()).
long long MachineMemoryBytes();

} // namespace kalemir
