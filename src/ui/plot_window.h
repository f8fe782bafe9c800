#pragma once
// The Plot window: f over what the last Solve searched, with its roots.

#include <QWidget>

#include "solver/plot_samples.h"

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
QT_END_NAMESPACE

namespace zorvan::ui {

class PlotWindow final : public QWidget {
 public:
  explicit PlotWindow(QWidget* owner);
  void showPlot(const PlotData& data);
  QChart* chart() const;

 private:
  QChartView* view_;
};

}  // namespace zorvan::ui
