#pragma once
// The picture of f for one Solve, with Qt Charts: f in runs (gaps where it
// fails), the zero line, axes with ticks, each reported root marked and
// labelled with its rounded value.

#include <QSize>
#include <QString>

#include "solver/plot_samples.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace zorvan::plot {

// The caller owns the chart.
QChart* buildChart(const PlotData& data);

// Writes the chart as SVG or PNG, by the file's ending; false when it cannot.
bool saveChart(QChart* chart, const QString& path, QSize size = QSize(800, 500));

}  // namespace zorvan::plot
