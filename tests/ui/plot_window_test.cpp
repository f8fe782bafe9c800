// The Plot window on Qt's offscreen platform: its title, the picture before
// any Solve, zoom, pan and reset, round ticks, root labels kept apart,
// saving, and the readout under the pointer.
#include <QApplication>
#include <QChart>
#include <QDir>
#include <QFile>
#include <QGraphicsSimpleTextItem>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QValueAxis>
#include <QXYSeries>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>

#include "eval/vbscript_engine.h"
#include "plot/axis_ticks.h"
#include "ui/answering_boxes.h"
#include "ui/chart_view.h"
#include "ui/frm_zorvan.h"
#include "ui/plot_window.h"

namespace zorvan::ui {
namespace {

QValueAxis* axisOf(QChart* chart, Qt::Orientation o) { return qobject_cast<QValueAxis*>(chart->axes(o).first()); }

// The plot window of w, once its picture before any Solve is sampled.
PlotWindow* openPreview(frmZorvan& w) {
  PlotWindow* plot = w.showPlotWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isSamplingPreview(); }, 30000));
  QCoreApplication::processEvents();  // the picture, handed over by the sampling thread
  return plot;
}

struct PlotTest : WindowFixture {
  PlotWindow* open() {
    PlotWindow* plot = openPreview(*w);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(plot));
    return plot;
  }
};

TEST_F(PlotTest, BeforeAnySolveItShowsTheFunctionOverTheBoxesBounds) {
  PlotWindow* plot = open();
  EXPECT_EQ(plot->windowTitle().toStdString(), "Plot of MyFunction = x*x - x*Cos(x) -6 from -10 to 10");
  EXPECT_EQ(axisOf(plot->chart(), Qt::Horizontal)->min(), -10);
  int points = 0;
  for (QAbstractSeries* s : plot->chart()->series())
    if (s->objectName() == "f") points += static_cast<int>(static_cast<QXYSeries*>(s)->count());
  EXPECT_EQ(points, 400);
  plot->close();
  delete plot;
}

TEST(PlotPreview, UsesTheBoundsWhenTheyMakeAnInterval) {
  struct Case {
    const char *lower, *upper;
    double from, to;
  };
  for (const Case c : {Case{"3", "1", 1, 3}, Case{"2", "2", -10, 10}, Case{"", "", -10, 10}, Case{"1E400", "1", -10, 10}}) {
    std::vector<std::string> boxes;
    frmZorvan w(std::make_unique<AnsweringBoxes>(boxes), std::make_unique<FixedClock>(1, 2, 3));
    w.txtInput->setPlainText("MyFunction = x\nMyFunction = MyFunction * 2");
    w.txtLower->setText(c.lower);
    w.txtUpper->setText(c.upper);
    PlotWindow* plot = openPreview(w);
    EXPECT_EQ(axisOf(plot->chart(), Qt::Horizontal)->min(), c.from) << c.lower;
    EXPECT_EQ(axisOf(plot->chart(), Qt::Horizontal)->max(), c.to) << c.lower;
    EXPECT_TRUE(plot->windowTitle().startsWith("Plot of MyFunction = x… from")) << plot->windowTitle().toStdString();
  }
}

// However slow f is, the picture before any Solve is sampled off the
// window's thread: the window answers meanwhile, and closing the picture
// stops the sampling.
TEST_F(PlotTest, ASlowFunctionNeverHoldsTheWindow) {
  w->txtInput->setPlainText("For i = 1 To 300000000 : Next\nMyFunction = x");
  PlotWindow* plot = w->showPlotWindow();
  EXPECT_TRUE(w->isSamplingPreview());
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
  tick.start(10);
  QTest::qWait(300);
  EXPECT_GT(ticks, 5);  // the window's own loop ran on
  EXPECT_TRUE(w->isSamplingPreview());
  plot->close();
  EXPECT_FALSE(w->isSamplingPreview());
  // Opened again, it samples again; the main window's close stops that too.
  w->showPlotWindow();
  EXPECT_TRUE(w->isSamplingPreview());
  w->close();
  EXPECT_FALSE(w->isSamplingPreview());
}

PlotData parabola(double half, double scale = 1) {
  PlotData d;
  d.functionText = "MyFunction = x*x - 1";
  d.from = -half;
  d.to = half;
  std::vector<PlotPoint> run;
  for (int i = 0; i <= 200; ++i) {
    const double x = -half + 2 * half * i / 200;
    run.push_back({x, scale * (x * x - 1)});
  }
  d.runs.push_back(run);
  return d;
}

TEST(PlotView, TheWheelZoomsRoundThePointerAndHomeGoesBack) {
  PlotWindow plot(nullptr);
  plot.showPlot(parabola(5));
  plot.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&plot));
  QChart* chart = plot.chart();
  QValueAxis* x = axisOf(chart, Qt::Horizontal);
  const QPointF at = chart->mapToPosition(QPointF(2, 0));
  QWheelEvent in(at, plot.view()->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                 Qt::NoScrollPhase, false);
  QApplication::sendEvent(plot.view()->viewport(), &in);
  EXPECT_LT(x->max() - x->min(), 10.0);
  EXPECT_NEAR(chart->mapToValue(at).x(), 2, 1e-6);  // the point under the pointer stays there
  QTest::keyClick(plot.view(), Qt::Key_Home);
  EXPECT_EQ(x->min(), -5);
  EXPECT_EQ(x->max(), 5);
  // A drag pans.
  const QPoint from = chart->mapToPosition(QPointF(0, 0)).toPoint();
  QTest::mousePress(plot.view()->viewport(), Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(plot.view()->viewport(), from + QPoint(50, 0));
  QTest::mouseRelease(plot.view()->viewport(), Qt::LeftButton, Qt::NoModifier, from + QPoint(50, 0));
  EXPECT_LT(x->min(), -5);
  EXPECT_NEAR(x->max() - x->min(), 10, 1e-9);
  EXPECT_TRUE(plot.findChild<QAction*>("actionResetView") != nullptr);
  plot.findChild<QAction*>("actionResetView")->trigger();
  EXPECT_EQ(x->min(), -5);
  // A drag with Shift zooms into the rectangle it draws.
  const QPoint a = chart->mapToPosition(QPointF(1, 10)).toPoint();
  const QPoint b = chart->mapToPosition(QPointF(3, 0)).toPoint();
  QTest::mousePress(plot.view()->viewport(), Qt::LeftButton, Qt::ShiftModifier, a);
  QTest::mouseMove(plot.view()->viewport(), b);
  QTest::mouseRelease(plot.view()->viewport(), Qt::LeftButton, Qt::ShiftModifier, b);
  EXPECT_NEAR(x->min(), 1, 0.1);
  EXPECT_NEAR(x->max(), 3, 0.1);
}

TEST(PlotView, TheReadoutShowsXAndFUnderThePointer) {
  PlotWindow plot(nullptr);
  plot.showPlot(parabola(5));
  plot.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&plot));
  const QPoint at = plot.chart()->mapToPosition(QPointF(3, 8)).toPoint();
  QTest::mouseMove(plot.view()->viewport(), at);
  const QString text = plot.pointerText();
  EXPECT_TRUE(text.startsWith("x = 3")) << text.toStdString();
  EXPECT_TRUE(text.contains("f(x) = 8")) << text.toStdString();
}

TEST(PlotTicks, StepsAreOneTwoOrFiveTimesAPowerOfTenAnchoredAtZero) {
  EXPECT_EQ(plot::niceStep(10, 10), 1);
  EXPECT_EQ(plot::niceStep(17, 10), 2);
  EXPECT_EQ(plot::niceStep(0.3, 10), 0.05);
  EXPECT_EQ(plot::niceStep(7e184, 8), 1e184);
  PlotWindow plot(nullptr);
  plot.showPlot(parabola(5, 3.4e184));  // values near 1e185
  for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
    QValueAxis* axis = axisOf(plot.chart(), o);
    EXPECT_EQ(axis->tickType(), QValueAxis::TicksDynamic);
    EXPECT_EQ(axis->tickAnchor(), 0);  // zero is a tick, exactly
    const double step = axis->tickInterval();
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
    EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9) << step;
  }
}

TEST(PlotLabels, LabelsOfCloseRootsDoNotOverlap) {
  PlotData d = parabola(10);
  for (double r : {-0.002, -0.001, 0.0, 0.001, 0.002, 5.0}) d.roots.push_back({r, 0.0, std::to_string(r)});
  d.roots.push_back({5.0, 0.0, std::to_string(5.0)});  // reported twice: one label
  PlotWindow plot(nullptr);
  plot.showPlot(d);
  plot.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&plot));
  std::vector<QRectF> boxes;
  for (QGraphicsItem* item : plot.chart()->childItems())
    if (auto* label = dynamic_cast<QGraphicsSimpleTextItem*>(item); label != nullptr && label->isVisible())
      boxes.push_back(label->sceneBoundingRect());
  ASSERT_EQ(boxes.size(), 6u);
  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::size_t j = i + 1; j < boxes.size(); ++j) EXPECT_FALSE(boxes[i].intersects(boxes[j])) << i << " " << j;
}

// + and - zoom round the middle, the arrows pan, and both titles follow the
// range of x in view.
TEST(PlotView, KeysZoomAndPanAndTheTitlesFollow) {
  PlotWindow plot(nullptr);
  plot.showPlot(parabola(5));
  plot.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&plot));
  QValueAxis* x = axisOf(plot.chart(), Qt::Horizontal);
  QTest::keyClick(plot.view(), Qt::Key_Plus);
  EXPECT_NEAR(x->min(), -4, 1e-9);
  EXPECT_NEAR(x->max(), 4, 1e-9);
  EXPECT_TRUE(plot.windowTitle().endsWith("from -4 to 4")) << plot.windowTitle().toStdString();
  EXPECT_TRUE(plot.chart()->title().endsWith("x from -4 to 4")) << plot.chart()->title().toStdString();
  QTest::keyClick(plot.view(), Qt::Key_Right);
  EXPECT_NEAR(x->min(), -3.2, 1e-9);
  QTest::keyClick(plot.view(), Qt::Key_Left);
  QTest::keyClick(plot.view(), Qt::Key_Minus);
  EXPECT_NEAR(x->max(), 5, 1e-9);
  QValueAxis* y = axisOf(plot.chart(), Qt::Vertical);
  const double top = y->max();
  QTest::keyClick(plot.view(), Qt::Key_Up);
  EXPECT_GT(y->max(), top);
  QTest::keyClick(plot.view(), Qt::Key_Home);
  EXPECT_EQ(x->min(), -5);
  EXPECT_TRUE(plot.windowTitle().endsWith("from -5 to 5"));
}

TEST(PlotSave, WritesPngAndSvg) {
  PlotWindow plot(nullptr);
  plot.showPlot(parabola(5));
  plot.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&plot));
  const QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString base = dir.filePath("plot");
  ASSERT_TRUE(plot.saveTo(base + ".png"));
  ASSERT_TRUE(plot.saveTo(base + ".svg"));
  QImage png(base + ".png");
  EXPECT_EQ(png.size(), plot.view()->size() * plot.view()->devicePixelRatio());
  QFile svg(base + ".svg");
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  const QByteArray svgText = svg.readAll();
  EXPECT_TRUE(svgText.contains("<svg"));
  // The picture names its function: in the title it shows, and whole as its description.
  EXPECT_TRUE(plot.chart()->title().startsWith("MyFunction = x*x - 1<br>")) << plot.chart()->title().toStdString();
  EXPECT_EQ(png.text("Description").toStdString(), "MyFunction = x*x - 1");
  EXPECT_TRUE(svgText.contains("<desc>MyFunction = x*x - 1</desc>")) << svgText.left(600).toStdString();
  QDir().mkpath(ZORVAN_ARTIFACTS_DIR);
  plot.saveTo(QString(ZORVAN_ARTIFACTS_DIR) + "/plot_parabola_offscreen.png");
}

}  // namespace
}  // namespace zorvan::ui
