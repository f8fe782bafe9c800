#include "ui/chart_view.h"

#include <QChart>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>
#include <cmath>

namespace zorvan::ui {

namespace {
QValueAxis* axis(QChart* chart, Qt::Orientation o) {
  const QList<QAbstractAxis*> axes = chart->axes(o);
  return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis*>(axes.first());
}
}  // namespace

ChartView::ChartView(QWidget* parent) : QChartView(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setRubberBand(QChartView::NoRubberBand);
  setDragMode(QGraphicsView::NoDrag);
}

void ChartView::rememberHome() {
  QValueAxis* x = axis(chart(), Qt::Horizontal);
  QValueAxis* y = axis(chart(), Qt::Vertical);
  if (x != nullptr && y != nullptr) home_ = QRectF(QPointF(x->min(), y->min()), QPointF(x->max(), y->max()));
}

void ChartView::goHome() {
  if (!home_.isNull()) showArea(home_);
}

void ChartView::showArea(QRectF area) {
  QValueAxis* x = axis(chart(), Qt::Horizontal);
  QValueAxis* y = axis(chart(), Qt::Vertical);
  area = area.normalized();
  // Too small a window on the doubles would show nothing but rounding.
  if (x == nullptr || y == nullptr || !(area.width() > 1e-300) || !(area.height() > 1e-300)) return;
  if (!std::isfinite(area.width()) || !std::isfinite(area.height())) return;
  x->setRange(area.left(), area.right());
  y->setRange(area.top(), area.bottom());
}

void ChartView::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0 || chart() == nullptr) return;
  const double factor = std::pow(0.8, steps);  // in for a turn away from the user
  const QPointF at = chart()->mapToValue(event->position());
  QValueAxis* x = axis(chart(), Qt::Horizontal);
  QValueAxis* y = axis(chart(), Qt::Vertical);
  if (x == nullptr || y == nullptr) return;
  // The point under the pointer stays where it is.
  showArea(QRectF(QPointF(at.x() - (at.x() - x->min()) * factor, at.y() - (at.y() - y->min()) * factor),
                  QPointF(at.x() + (x->max() - at.x()) * factor, at.y() + (y->max() - at.y()) * factor)));
  event->accept();
}

void ChartView::mousePressEvent(QMouseEvent* event) {
  const bool band = event->button() == Qt::RightButton ||
                    (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier));
  if (band) {
    setRubberBand(QChartView::RectangleRubberBand);
    // The view draws the band from a left press.
    QMouseEvent left(event->type(), event->position(), event->globalPosition(), Qt::LeftButton, Qt::LeftButton,
                     event->modifiers() & ~Qt::ShiftModifier);
    QChartView::mousePressEvent(&left);
    return;
  }
  if (event->button() == Qt::LeftButton) {
    panning_ = true;
    last_ = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
    event->accept();
    return;
  }
  QChartView::mousePressEvent(event);
}

void ChartView::mouseMoveEvent(QMouseEvent* event) {
  if (panning_) {
    const QPoint now = event->position().toPoint();
    chart()->scroll(last_.x() - now.x(), now.y() - last_.y());
    last_ = now;
  }
  if (onPointer && chart() != nullptr && chart()->plotArea().contains(event->position()))
    onPointer(chart()->mapToValue(event->position()));
  QChartView::mouseMoveEvent(event);
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
  if (panning_) {
    panning_ = false;
    unsetCursor();
    event->accept();
    return;
  }
  if (rubberBand() != QChartView::NoRubberBand) {
    QMouseEvent left(event->type(), event->position(), event->globalPosition(), Qt::LeftButton, Qt::NoButton,
                     event->modifiers());
    QChartView::mouseReleaseEvent(&left);
    setRubberBand(QChartView::NoRubberBand);
    return;
  }
  QChartView::mouseReleaseEvent(event);
}

void ChartView::keyPressEvent(QKeyEvent* event) {
  QValueAxis* x = chart() != nullptr ? axis(chart(), Qt::Horizontal) : nullptr;
  QValueAxis* y = chart() != nullptr ? axis(chart(), Qt::Vertical) : nullptr;
  if (x == nullptr || y == nullptr) return QChartView::keyPressEvent(event);
  const QRectF now(QPointF(x->min(), y->min()), QPointF(x->max(), y->max()));
  const QPointF centre = now.center();
  // + and - zoom round the middle as a turn of the wheel does; an arrow
  // moves the view a tenth of its width or height.
  const auto zoomBy = [&](double factor) {
    const QSizeF size = now.size() * factor;
    showArea(QRectF(centre - QPointF(size.width() / 2, size.height() / 2), size));
  };
  switch (event->key()) {
    case Qt::Key_Home: goHome(); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomBy(0.8); break;
    case Qt::Key_Minus: zoomBy(1 / 0.8); break;
    case Qt::Key_Left: showArea(now.translated(-now.width() / 10, 0)); break;
    case Qt::Key_Right: showArea(now.translated(now.width() / 10, 0)); break;
    case Qt::Key_Up: showArea(now.translated(0, now.height() / 10)); break;
    case Qt::Key_Down: showArea(now.translated(0, -now.height() / 10)); break;
    default: return QChartView::keyPressEvent(event);
  }
  event->accept();
}

}  // namespace zorvan::ui
