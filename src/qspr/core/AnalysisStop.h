#pragma once
// The typed stop of a QSPR stage: the stage has written its failure block to the report
// and the analysis ends (exit status 3 on the command line, as every StopProgram).

#include "common/Errors.h"

#include <string>
#include <utility>

namespace kalemir::qspr {

/// A stage that stops the analysis, with the stage's name and the error number its
/// failure block reports.
class AnalysisStop : public StopProgram {
public:
    AnalysisStop(std::string stage, int code, const std::string& message)
        : StopProgram(message), stage_(std::move(stage)), code_(code) {}
    const std::string& Stage() const { return stage_; }
    int Code() const { return code_; }

private:
    std::string stage_;
    int code_;
};

} // namespace kalemir::qspr
