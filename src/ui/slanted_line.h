#pragma once
// A line control: a straight line between two points of its parent, which
// takes no focus and no input.

#include <QLineF>
#include <QWidget>

namespace zorvan::ui {

class SlantedLine final : public QWidget {
 public:
  // The end points in the parent's pixels.
  SlantedLine(QPointF from, QPointF to, QWidget* parent);
  QLineF line() const { return line_; }
  void setLine(QPointF from, QPointF to);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QLineF line_;
};

}  // namespace zorvan::ui
