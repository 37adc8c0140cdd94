#pragma once
// Figures of the validation extras that the machine-readable results, the validation text
// and the Williams plot share.

namespace kalemir::qspr {} // namespace kalemir::qspr
