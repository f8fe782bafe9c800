#include "ui/plot_window.h"

#include <QChart>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QPainter>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QToolBar>

#include "common/number_text.h"
#include "plot/chart.h"
#include "ui/chart_view.h"

namespace zorvan::ui {

namespace {
QString number(double d) { return QString::fromStdString(writeG(d, 6)); }
}  // namespace

QString plotTitle(const PlotData& data) {
  QString text = QString::fromStdString(data.functionText).trimmed();
  const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
  const bool more = end >= 0;
  if (more) text.truncate(end);
  if (text.size() > 60 || more) text = text.left(60).trimmed() + QStringLiteral("…");
  if (text.isEmpty()) text = QStringLiteral("f");
  return QStringLiteral("Plot of %1 from %2 to %3").arg(text, number(data.from), number(data.to));
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
  setWindowTitle(plotTitle(data));
  QChart* old = view_->chart();
  view_->setChart(plot::buildChart(data));
  delete old;
  view_->rememberHome();
  pointer_->clear();
}

QChart* PlotWindow::chart() const { return view_->chart(); }

QString PlotWindow::pointerText() const { return pointer_->text(); }

void PlotWindow::showPointer(QPointF at) {
  const std::optional<double> f = valueNear(data_, at.x());
  pointer_->setText(QStringLiteral("x = %1    f(x) = %2").arg(number(at.x()), f ? number(*f) : QStringLiteral("—")));
}

bool PlotWindow::saveTo(const QString& path) {
  if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(view_->size());
    svg.setViewBox(QRect(QPoint(0, 0), view_->size()));
    svg.setTitle(windowTitle());
    QPainter painter(&svg);
    if (!painter.isActive()) return false;
    view_->render(&painter);
    return true;
  }
  return view_->grab().save(path, "PNG");
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
