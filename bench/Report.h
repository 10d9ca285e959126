// SPDX-License-Identifier: MIT
#pragma once

#include <string>

struct BenchOptions;
struct PhaseFigures;

// The two phases side by side as a Markdown table, with their ratio and the targets.
namespace Report {

std::string table(const BenchOptions& options, const PhaseFigures& panel, const PhaseFigures& naive);

}  // namespace Report
