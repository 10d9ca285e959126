// SPDX-License-Identifier: MIT
#pragma once

#include "PhaseFigures.h"

#include <string>
#include <vector>

struct BenchOptions;

// The phases side by side as a Markdown table, a column each, with the targets.
namespace Report {

std::string table(const BenchOptions& options, const std::vector<PhaseFigures>& phases);

}  // namespace Report
