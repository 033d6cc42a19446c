#include "bench_figures.h"

#include <algorithm>
#include <cstdio>

namespace {

struct TFigure {
  std::string Name;
  double Value;
  std::string Unit;
  double Target;
};

std::vector<TFigure>& Figures() {
  static std::vector<TFigure> figures;
  return figures;
}

}  // namespace

void RecordFigure(const std::string& name, double value, const std::string& unit, double target) {
  for (TFigure& figure : Figures()) {
    if (figure.Name == name) {
      figure = {name, value, unit, target};
      return;
    }
  }
  Figures().push_back({name, value, unit, target});
}

bool PrintFigures() {
  bool allMet = true;
  for (const TFigure& figure : Figures()) {
    if (figure.Target <= 0) {
      std::printf("FIGURE %-28s %12.4f %-6s (no target)\n", figure.Name.c_str(), figure.Value,
                  figure.Unit.c_str());
      continue;
    }
    const double ratio = figure.Value / figure.Target;
    const bool met = figure.Value <= figure.Target;
    allMet = allMet && met;
    std::printf("FIGURE %-28s %12.4f %-6s target %10.4f ratio %6.3f %s\n", figure.Name.c_str(),
                figure.Value, figure.Unit.c_str(), figure.Target, ratio, met ? "ok" : "MISSED");
  }
  std::fflush(stdout);
  return allMet;
}

double Median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  const size_t middle = samples.size() / 2;
  std::nth_element(samples.begin(), samples.begin() + middle, samples.end());
  double median = samples[middle];
  if (samples.size() % 2 == 0) {
    median = (median + *std::max_element(samples.begin(), samples.begin() + middle)) / 2;
  }
  return median;
}
