#pragma once
// The labels of the roots on a chart, kept apart: a label that would cover
// one to its left moves up a row, so close roots stay readable.

#include <QGraphicsItem>
#include <QList>
#include <QPointF>
#include <QString>

QT_BEGIN_NAMESPACE
class QChart;
class QAbstractSeries;
class QGraphicsSimpleTextItem;
QT_END_NAMESPACE

namespace zorvan::plot {

class RootLabels final : public QObject {
 public:
  // The labels belong to the chart; they follow its plot area and ranges.
  RootLabels(QChart* chart, QAbstractSeries* series);
  // A label with the text of one already there is not added again.
  void add(QPointF root, const QString& text);
  // Puts every label above its root, in the lowest row where it covers no
  // label already placed; labels of roots outside the plot area are hidden.
  void arrange();
  QList<QGraphicsSimpleTextItem*> labels() const { return labels_; }

 private:
  QChart* chart_;
  QAbstractSeries* series_;
  QList<QPointF> roots_;
  QList<QGraphicsSimpleTextItem*> labels_;
};

}  // namespace zorvan::plot
