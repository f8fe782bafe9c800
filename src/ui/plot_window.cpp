#include "ui/plot_window.h"

#include <QChart>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStatusBar>
#include <QToolBar>
#include <QValueAxis>

#include "common/number_text.h"
#include "plot/chart.h"
#include "ui/chart_view.h"

namespace zorvan::ui {

namespace {
QString number(double d) { return QString::fromStdString(writeG(d, 6)); }
}  // namespace

QString plotTitle(const PlotData& data, double from, double to) {
  return QStringLiteral("Plot of %1 from %2 to %3").arg(plot::shortFunctionText(data.functionText), number(from), number(to));
}

PlotWindow::PlotWindow(QWidget* owner) : QMainWindow(owner, Qt::Window) {
  setObjectName("Plot");
  view_ = new ChartView(this);
  view_->setObjectName("chartView");
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setAccessibleName(QStringLiteral("Plot of f"));
  view_->setAccessibleDescription(
      QStringLiteral("The wheel zooms, a drag pans, a Shift-drag zooms into a rectangle, Home shows it all"));
  view_->onPointer = [this](QPointF at) { showPointer(at); };
  setCentralWidget(view_);

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* save = file->addAction(QStringLiteral("Save &As…"), this, [this] { saveAs(); });
  save->setObjectName("actionSaveAs");
  save->setShortcut(QKeySequence::SaveAs);
  QAction* close = file->addAction(QStringLiteral("&Close"), this, [this] { this->close(); });
  close->setShortcut(QKeySequence::Close);

  QToolBar* tools = addToolBar(QStringLiteral("View"));
  tools->setObjectName("plotTools");
  tools->setMovable(false);
  QAction* home = tools->addAction(QStringLiteral("&Reset View"), this, [this] { view_->goHome(); });
  home->setObjectName("actionResetView");
  home->setToolTip(QStringLiteral("Show the whole picture again (Home)"));
  QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
  viewMenu->addAction(home);

  pointer_ = new QLabel(this);
  pointer_->setObjectName("pointer");
  statusBar()->addWidget(pointer_, 1);
  resize(760, 540);
  showPlot(PlotData{});
}

void PlotWindow::showPlot(const PlotData& data) {
  data_ = data;
  setWindowTitle(plotTitle(data, data.from, data.to));
  QChart* old = view_->chart();
  QChart* chart = plot::buildChart(data);
  view_->setChart(chart);
  delete old;
  view_->rememberHome();
  pointer_->clear();
  // The titles follow the range of x in view as it is zoomed or panned.
  if (auto* x = qobject_cast<QValueAxis*>(chart->axes(Qt::Horizontal).value(0))) {
    connect(x, &QValueAxis::rangeChanged, chart, [this, chart](qreal from, qreal to) {
      chart->setTitle(plot::chartTitle(data_, from, to));
      setWindowTitle(plotTitle(data_, from, to));
    });
  }
}

void PlotWindow::closeEvent(QCloseEvent* event) {
  if (onClose) onClose();
  QMainWindow::closeEvent(event);
}

QChart* PlotWindow::chart() const { return view_->chart(); }

QString PlotWindow::pointerText() const { return pointer_->text(); }

void PlotWindow::showPointer(QPointF at) {
  const std::optional<double> f = valueNear(data_, at.x());
  pointer_->setText(QStringLiteral("x = %1    f(x) = %2").arg(number(at.x()), f ? number(*f) : QStringLiteral("—")));
}

bool PlotWindow::saveTo(const QString& path) {
  // The picture as it is in view, its title naming the function; the
  // function's whole text goes with it as its description.
  return plot::savePicture(path, view_->size(), QString::fromStdString(data_.functionText),
                           [this](QPainter& p) { view_->render(&p); }, view_->devicePixelRatioF());
}

void PlotWindow::saveAs() {
  QString filter;
  QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Plot As"), QStringLiteral("plot.png"),
                                              QStringLiteral("PNG image (*.png);;SVG image (*.svg)"), &filter);
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) && !path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
    path += filter.startsWith(QStringLiteral("SVG")) ? QStringLiteral(".svg") : QStringLiteral(".png");
  if (!saveTo(path)) QMessageBox::warning(this, QStringLiteral("Zorvan"), QStringLiteral("Cannot write %1").arg(path));
}

}  // namespace zorvan::ui
