#pragma once
// A chart view to explore f: the wheel zooms round the pointer, a drag pans,
// a drag with Shift (or with the right button) draws a rectangle to zoom
// into, + and - zoom, the arrow keys pan, and Home shows the whole picture
// again.

#include <QChartView>
#include <functional>

namespace zorvan::ui {

class ChartView final : public QChartView {
 public:
  explicit ChartView(QWidget* parent);
  // Remembers the chart's ranges as the ones Home goes back to.
  void rememberHome();
  void goHome();
  // Told of the chart coordinates under the pointer as it moves.
  std::function<void(QPointF)> onPointer;

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Sets both axes' ranges to the chart coordinates in area.
  void showArea(QRectF area);

  QRectF home_;
  bool panning_ = false;
  QPoint last_;
};

}  // namespace zorvan::ui
