#pragma once
// The Plot window: f over what the last Solve searched (or, before any
// Solve, over the bounds in the boxes), with its roots. It can be zoomed,
// panned and saved, and shows x and f under the pointer.

#include <QMainWindow>
#include <functional>

#include "solver/plot_samples.h"

QT_BEGIN_NAMESPACE
class QChart;
class QLabel;
QT_END_NAMESPACE

namespace zorvan::ui {

class ChartView;

class PlotWindow final : public QMainWindow {
 public:
  explicit PlotWindow(QWidget* owner);
  void showPlot(const PlotData& data);
  QChart* chart() const;
  ChartView* view() const { return view_; }
  // The status line: x and f under the pointer.
  QString pointerText() const;
  // Writes the picture as PNG or SVG, by the file's ending.
  bool saveTo(const QString& path);
  // Told when the user closes the window.
  std::function<void()> onClose;

 private:
  void closeEvent(QCloseEvent* event) override;
  void saveAs();
  void showPointer(QPointF at);

  ChartView* view_;
  QLabel* pointer_;
  PlotData data_;
};

// The window's title for a picture: the function's first line and the range of x in view.
QString plotTitle(const PlotData& data, double from, double to);

}  // namespace zorvan::ui
