#include "plot/chart.h"

#include <QApplication>
#include <QChart>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <vector>

#include "common/number_text.h"
#include "plot/axis_ticks.h"
#include "plot/root_labels.h"

namespace zorvan::plot {

namespace {

// The y range: most of the values, so that a pole does not flatten the
// rest of the curve, always with the zero line.
std::pair<double, double> yRange(const PlotData& data) {
  std::vector<double> ys;
  for (const auto& run : data.runs)
    for (const PlotPoint& p : run) ys.push_back(p.y);
  if (ys.empty()) return {-1, 1};
  std::sort(ys.begin(), ys.end());
  const auto at = [&](double q) { return ys[static_cast<std::size_t>(q * static_cast<double>(ys.size() - 1))]; };
  double lo = std::min(at(0.02), 0.0), hi = std::max(at(0.98), 0.0);
  if (hi - lo <= 0) lo -= 1, hi += 1;
  const double pad = (hi - lo) * 0.08;
  return {lo - pad, hi + pad};
}

}  // namespace

QString shortFunctionText(const std::string& functionText) {
  QString text = QString::fromStdString(functionText).trimmed();
  const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
  const bool more = end >= 0;
  if (more) text.truncate(end);
  if (text.size() > 60 || more) text = text.left(60).trimmed() + QStringLiteral("…");
  return text.isEmpty() ? QStringLiteral("f") : text;
}

QString chartTitle(const PlotData& data, double from, double to) {
  QString title = shortFunctionText(data.functionText).toHtmlEscaped() +
                  QStringLiteral("<br>x from %1 to %2")
                      .arg(QString::fromStdString(writeG(from, 6)), QString::fromStdString(writeG(to, 6)));
  if (data.cutShort) title += QStringLiteral("<br>f took too long: the curve stops where sampling was cut short");
  return title;
}

QChart* buildChart(const PlotData& data) {
  auto* chart = new QChart;
  chart->legend()->hide();
  chart->setTitle(chartTitle(data, data.from, data.to));

  auto* x = new QValueAxis;
  x->setRange(data.from, data.to);
  x->setLabelFormat("%.4g");
  keepTicksRound(x, 10);
  x->setTitleText("x");
  const auto [lo, hi] = yRange(data);
  auto* y = new QValueAxis;
  y->setRange(lo, hi);
  y->setLabelFormat("%.4g");
  keepTicksRound(y, 8);
  y->setTitleText("f(x)");
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);

  auto attach = [&](QAbstractSeries* s) {
    chart->addSeries(s);
    s->attachAxis(x);
    s->attachAxis(y);
  };

  auto* zero = new QLineSeries;
  zero->setObjectName("zero");
  zero->append(data.from, 0);
  zero->append(data.to, 0);
  zero->setPen(QPen(Qt::gray, 1, Qt::DashLine));
  attach(zero);

  for (const auto& run : data.runs) {
    auto* curve = new QLineSeries;
    curve->setObjectName("f");
    curve->setPen(QPen(QColor(0x20, 0x60, 0xc0), 2));
    for (const PlotPoint& p : run) curve->append(p.x, std::clamp(p.y, lo - (hi - lo), hi + (hi - lo)));
    attach(curve);
  }

  auto* labels = new RootLabels(chart, zero);
  for (const PlotRoot& r : data.roots) {
    auto* mark = new QScatterSeries;
    mark->setObjectName("root");
    mark->setName(QString::fromStdString(r.label));
    mark->setMarkerSize(9);
    mark->setColor(QColor(0xd0, 0x20, 0x20));
    const QPointF at(r.x, r.y ? std::clamp(*r.y, lo, hi) : 0.0);
    mark->append(at);
    attach(mark);
    labels->add(at, QString::fromStdString(r.label));
  }
  return chart;
}

bool savePicture(const QString& path, QSize size, const QString& description,
                 const std::function<void(QPainter&)>& paint, qreal pixelRatio) {
  if (path.endsWith(".svg", Qt::CaseInsensitive)) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle("Zorvan plot");
    svg.setDescription(description);
    QPainter p(&svg);
    if (!p.isActive()) return false;
    paint(p);
    return true;
  }
  QImage image(size * pixelRatio, QImage::Format_ARGB32);
  image.setDevicePixelRatio(pixelRatio);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  paint(p);
  p.end();
  image.setText(QStringLiteral("Title"), QStringLiteral("Zorvan plot"));
  image.setText(QStringLiteral("Description"), description);
  return image.save(path, "PNG");
}

bool saveChart(QChart* chart, const QString& path, const QString& description, QSize size) {
  QGraphicsScene scene;
  scene.addItem(chart);
  chart->setGeometry(QRectF(QPointF(0, 0), size));
  QApplication::processEvents();  // let the chart lay out its axes
  const QRectF area(QPointF(0, 0), size);
  const bool ok = savePicture(path, size, description, [&](QPainter& p) { scene.render(&p, area, area); });
  scene.removeItem(chart);
  return ok;
}

}  // namespace zorvan::plot
