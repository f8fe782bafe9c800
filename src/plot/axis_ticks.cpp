#include "plot/axis_ticks.h"

#include <QValueAxis>
#include <cmath>

namespace zorvan::plot {

double niceStep(double span, int ticks) {
  if (!(span > 0) || !std::isfinite(span)) return 1;
  const double raw = span / ticks;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double fraction = raw / power;
  const double nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
  return nice * power;
}

void keepTicksRound(QValueAxis* axis, int ticks) {
  const auto apply = [axis, ticks](qreal min, qreal max) {
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(niceStep(max - min, ticks));
  };
  apply(axis->min(), axis->max());
  QObject::connect(axis, &QValueAxis::rangeChanged, axis, apply);
}

}  // namespace zorvan::plot
