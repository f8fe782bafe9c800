#include "ui/slanted_line.h"

#include <QPainter>
#include <cmath>

namespace zorvan::ui {

SlantedLine::SlantedLine(QPointF from, QPointF to, QWidget* parent) : QWidget(parent) {
  setLine(from, to);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SlantedLine::setLine(QPointF from, QPointF to) {
  line_ = QLineF(from, to);
  const QRectF box = QRectF(from, to).normalized();
  setGeometry(static_cast<int>(std::floor(box.left())), static_cast<int>(std::floor(box.top())),
              static_cast<int>(std::ceil(box.width())) + 1, static_cast<int>(std::ceil(box.height())) + 1);
  update();
}

void SlantedLine::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(palette().color(QPalette::Mid), 1));
  p.drawLine(line_.translated(-pos()));
}

}  // namespace zorvan::ui
