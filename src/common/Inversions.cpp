#include "common/Inversions.h"

#include <algorithm>

namespace kalemir {

long long CountInversions(std::vector<double>& sequence) {
    std::vector<double> buffer(sequence.size());
    long long inversions = 0;
    for (std::size_t width = 1; width < sequence.size(); width *= 2) {
        for (std::size_t lo = 0; lo < sequence.size(); lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, sequence.size());
            const std::size_t hi = std::min(lo + 2 * width, sequence.size());
            std::size_t a = lo, b = mid, out = lo;
            while (a < mid && b < hi) {
                if (sequence[b] < sequence[a]) {
                    inversions += static_cast<long long>(mid - a);
                    buffer[out++] = sequence[b++];
                } else {
                    buffer[out++] = sequence[a++];
                }
            }
            while (a < mid) {
                buffer[out++] = sequence[a++];
            }
            while (b < hi) {
                buffer[out++] = sequence[b++];
            }
        }
        sequence.swap(buffer);
    }
    return inversions;
}

} // namespace kalemir
