// Figures a benchmark program records while it runs and prints at the end,
// each with its target and its ratio to the target, one line per figure:
//
//   FIGURE <name> <value> <unit> target <target> ratio <value/target> <ok|MISSED>
//
// so that a script can gather them. A target of 0 marks a figure kept for
// the record only.
#pragma once

#include <chrono>
#include <string>
#include <vector>

void RecordFigure(const std::string& name, double value, const std::string& unit, double target);
// Prints every recorded figure (the last value of each name); true when all
// met their targets.
bool PrintFigures();

double Median(std::vector<double> samples);

// Seconds since an arbitrary start, for timing single calls.
inline double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
