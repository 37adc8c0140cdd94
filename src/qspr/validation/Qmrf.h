#pragma once
// A draft of the QSAR Model Reporting Format for the best equation by Q: its nine
// chapters filled with what the run knows (software, date, property and its values,
// algorithm and equation, predictors and their selection, applicability domain, fit,
// robustness, external validation, the sets by name), and the fields only the author can
// write (endpoint, species, protocol, mechanistic interpretation) marked as placeholders.

#include "qspr/validation/ModelReport.h"

#include <string>
#include <vector>

namespace kalemir::qspr {

/// The mark that opens every placeholder, so that an unfinished draft can be searched.
inline constexpr const char* kQmrfPlaceholder = "[TO BE WRITTEN BY THE AUTHOR]";

struct QmrfField {
    std::string Name; ///< e.g. "1.1 QSAR identifier (title)"
    std::string Text; ///< lines separated by '\n'; a placeholder starts with kQmrfPlaceholder
};

struct QmrfChapter {
    std::string Title; ///< e.g. "1. QSAR identifier"
    std::vector<QmrfField> Fields;
};

std::vector<QmrfChapter> QmrfChapters(const ProgramState& state, const ValidationFigures& figures,
                                      const ModelFacts& facts);

/// The chapters as a Markdown document.
std::string QmrfMarkdown(const std::string& qsprTable, const std::vector<QmrfChapter>& chapters);

/// The QSPR table's name followed by "-qmrf.md".
std::string QmrfDraftName(const std::string& qsprTable);

} // namespace kalemir::qspr
