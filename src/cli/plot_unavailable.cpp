#include "cli/plot_command.h"

namespace zorvan::cli {

bool writePlot(const PlotData&, const std::string&, int, char**, std::string& error) {
  error = "this build has no plotting (Qt Charts was not built)";
  return false;
}

}  // namespace zorvan::cli
