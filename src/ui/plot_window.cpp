#include "ui/plot_window.h"

#include <QChart>
#include <QChartView>
#include <QVBoxLayout>

#include "plot/chart.h"

namespace zorvan::ui {

PlotWindow::PlotWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName("Plot");
  setWindowTitle(QStringLiteral("Plot"));
  view_ = new QChartView(this);
  view_->setRenderHint(QPainter::Antialiasing);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  resize(720, 480);
  showPlot(PlotData{});
}

void PlotWindow::showPlot(const PlotData& data) {
  QChart* old = view_->chart();
  view_->setChart(plot::buildChart(data));
  delete old;
}

QChart* PlotWindow::chart() const { return view_->chart(); }

}  // namespace zorvan::ui
