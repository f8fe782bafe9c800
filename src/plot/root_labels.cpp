#include "plot/root_labels.h"

#include <QAbstractAxis>
#include <QChart>
#include <QGraphicsSimpleTextItem>
#include <QValueAxis>
#include <algorithm>
#include <numeric>
#include <vector>

namespace zorvan::plot {

RootLabels::RootLabels(QChart* chart, QAbstractSeries* series) : QObject(chart), chart_(chart), series_(series) {
  connect(chart, &QChart::plotAreaChanged, this, [this] { arrange(); });
  for (QAbstractAxis* axis : chart->axes())
    if (auto* value = qobject_cast<QValueAxis*>(axis)) connect(value, &QValueAxis::rangeChanged, this, [this] { arrange(); });
}

void RootLabels::add(QPointF root, const QString& text) {
  // A root reported again (by a later pass) keeps its one label.
  for (const QGraphicsSimpleTextItem* l : labels_)
    if (l->text() == text) return;
  auto* label = new QGraphicsSimpleTextItem(text, chart_);
  label->setZValue(10);
  roots_.append(root);
  labels_.append(label);
  arrange();
}

void RootLabels::arrange() {
  const QRectF area = chart_->plotArea();
  std::vector<int> order(static_cast<std::size_t>(roots_.size()));
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](int a, int b) { return roots_[a].x() < roots_[b].x(); });
  std::vector<QRectF> placed;
  for (int i : order) {
    QGraphicsSimpleTextItem* label = labels_[i];
    const QPointF at = chart_->mapToPosition(roots_[i], series_);
    if (!area.contains(at)) {
      label->hide();
      continue;
    }
    const QSizeF size = label->boundingRect().size();
    QRectF box(QPointF(at.x() - size.width() / 2, at.y() - size.height() - 6), size);
    const auto covers = [&](const QRectF& r) {
      return std::any_of(placed.begin(), placed.end(), [&](const QRectF& p) { return p.adjusted(-2, -1, 2, 1).intersects(r); });
    };
    while (covers(box)) box.translate(0, -size.height());
    label->setPos(box.topLeft());
    label->show();
    placed.push_back(box);
  }
}

}  // namespace zorvan::plot
