#include "cli/plot_command.h"

#include <QApplication>
#include <QChart>
#include <memory>

#include "plot/chart.h"
#include "plot/runtime_dir.h"

namespace zorvan::cli {

bool writePlot(const PlotData& data, const std::string& path, int argc, char** argv, std::string& error) {
  // Charts need an application object, but never a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  plot::provideRuntimeDir();
  QApplication app(argc, argv);
  std::unique_ptr<QChart> chart(plot::buildChart(data));
  if (!plot::saveChart(chart.get(), QString::fromStdString(path), QString::fromStdString(data.functionText))) {
    error = "cannot write '" + path + "'";
    return false;
  }
  return true;
}

}  // namespace zorvan::cli
