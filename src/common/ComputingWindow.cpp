#include "common/ComputingWindow.h"

#include "common/Errors.h"

namespace kalemir {

void ComputingWindow::ProcessEvents() {
    if (StopRequested()) {
        throw RunInterrupted();
    }
}

} // namespace kalemir
