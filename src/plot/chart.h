#pragma once
// The picture of f for one Solve, with Qt Charts: f in runs (gaps where it
// fails), the zero line, axes with ticks, each reported root marked and
// labelled with its rounded value.

#include <QSize>
#include <QString>
#include <functional>
#include <string>

#include "solver/plot_samples.h"

QT_BEGIN_NAMESPACE
class QChart;
class QPainter;
QT_END_NAMESPACE

namespace zorvan::plot {

// The caller owns the chart.
QChart* buildChart(const PlotData& data);

// The function's first line, at most 60 characters, "…" where there is more;
// "f" for none.
QString shortFunctionText(const std::string& functionText);
// The chart's title: the function and the range of x shown.
QString chartTitle(const PlotData& data, double from, double to);

// Writes an image as PNG or SVG by the file's ending, with the function's
// whole text as its description; false when it cannot.
bool savePicture(const QString& path, QSize size, const QString& description,
                 const std::function<void(QPainter&)>& paint, qreal pixelRatio = 1);

// Writes the chart as SVG or PNG, by the file's ending; false when it cannot.
bool saveChart(QChart* chart, const QString& path, const QString& description, QSize size = QSize(800, 500));

}  // namespace zorvan::plot
