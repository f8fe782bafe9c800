#pragma once
// zorvan-cli plot: the picture the Plot window shows, written to a file.

#include <string>

#include "solver/plot_samples.h"

namespace zorvan::cli {

// Writes the chart as SVG or PNG; false with a reason when it cannot.
bool writePlot(const PlotData& data, const std::string& path, int argc, char** argv, std::string& error);

}  // namespace zorvan::cli
