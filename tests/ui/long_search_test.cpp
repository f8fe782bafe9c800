// Searches that take long: the window keeps answering, shows its progress,
// and a cancel ends the search without losing what it reported.
#include <QApplication>
#include <QChart>
#include <QDir>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "ui/answering_boxes.h"
#include "ui/frm_zorvan.h"
#include "ui/plot_window.h"

namespace zorvan::ui {
namespace {

struct LongSearchTest : WindowFixture {
  // f's text in the box and the interval 0.5 to 40 in the bounds.
  void enterInterval(const char* text) {
    w->txtInput->setPlainText(text);
    w->txtLower->setText("0.5");
    w->txtUpper->setText("40");
  }
  bool waitForProgress() {
    return QTest::qWaitFor([&] { return w->progressDialog() != nullptr && w->progressDialog()->isVisible(); }, 5000);
  }
  bool waitForEnd() { return QTest::qWaitFor([&] { return !w->isSolving(); }, 60000); }
};

// Slow: each evaluation spins a loop before computing sin(x).
constexpr const char* kSlowSine = "For i = 1 To 100000 : t = t + 1 : Next\r\nMyFunction = Sin(x)";
// Ten times slower again, for checks of where the search stands that must
// not depend on how fast the engine is.
constexpr const char* kSlowerSine = "For i = 1 To 1000000 : t = t + 1 : Next\r\nMyFunction = Sin(x)";

TEST_F(LongSearchTest, TheWindowAnswersShowsProgressAndCancels) {
  enterInterval(kSlowSine);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(20);
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(w->isSolving());
  // Progress appears after half a second; meanwhile the event loop runs.
  ASSERT_TRUE(waitForProgress());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->txtResult->toPlainText().isEmpty(); }, 30000));
  EXPECT_GT(ticks, 10);
  EXPECT_GT(w->evaluationsSoFar(), 0);
  // A second Solve does not start while this one runs.
  const long before = w->evaluationsSoFar();
  w->cmdSolve_Click();
  EXPECT_GE(w->evaluationsSoFar(), before);
  QTest::keyClick(w->progressDialog(), Qt::Key_Escape);
  ASSERT_TRUE(waitForEnd());
  QCoreApplication::processEvents();
  EXPECT_TRUE(boxes.empty());  // the user asked for the cancel: no box tells of it
  const QString results = w->txtResult->toPlainText();
  ASSERT_FALSE(results.isEmpty());
  for (const QString& line : results.split('\n', Qt::SkipEmptyParts))
    EXPECT_TRUE(line.startsWith("Solution: X , F(X) = ")) << line.toStdString();
  EXPECT_EQ(w->progressDialog(), nullptr);
}

TEST_F(LongSearchTest, TheProgressBoxRejectedCancels) {
  enterInterval(kSlowerSine);
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(waitForProgress());
  w->progressDialog()->reject();
  ASSERT_TRUE(waitForEnd());
  QCoreApplication::processEvents();
  EXPECT_TRUE(boxes.empty());
}

TEST_F(LongSearchTest, TheProgressBoxSaysWhereTheSearchIs) {
  enterInterval(kSlowerSine);
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(waitForProgress());
  QTest::qWait(300);
  const QString text = w->progressDialog()->labelText();
  EXPECT_TRUE(text.contains("Attempt 1 of 4, pass 1 of 2")) << text.toStdString();
  EXPECT_TRUE(QRegularExpression("\\n[0-9,]+ evaluations?\\n0:0[0-9] elapsed$").match(text).hasMatch()) << text.toStdString();
  // The bar moves within the first pass, a hundred steps to a pass.
  EXPECT_EQ(w->progressDialog()->maximum(), 800);
  const int early = w->progressDialog()->value();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->progressDialog()->value() > early; }, 5000));
  EXPECT_LT(w->progressDialog()->value(), 100);
  w->cancelSolve();
  ASSERT_TRUE(waitForEnd());

  w->Option1[1]->click();
  w->txtInput->setPlainText(QString(kSlowerSine) + " + 2");  // no root: three sweeps
  w->txtApprox->setText("1");
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(waitForProgress());
  QTest::qWait(300);
  EXPECT_TRUE(w->progressDialog()->labelText().contains("Sweep 1 of 3")) << w->progressDialog()->labelText().toStdString();
  EXPECT_EQ(w->progressDialog()->maximum(), 300);
  const int first = w->progressDialog()->value();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->progressDialog()->value() > first; }, 5000));
  w->cancelSolve();
  ASSERT_TRUE(waitForEnd());
}

TEST_F(LongSearchTest, AFastSearchShowsNoProgress) {
  w->Option1[1]->click();
  w->txtApprox->setText("1");
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(waitForEnd());
  EXPECT_EQ(w->progressDialog(), nullptr);
  QTest::qWait(600);
  EXPECT_EQ(w->progressDialog(), nullptr);
}

// Records each box with the number of result lines the window showed when it came up.
class OrderedBoxes final : public MessageBoxes {
 public:
  explicit OrderedBoxes(std::vector<std::string>& log) : log_(log) {}
  void show(QWidget* parent, const QString& text) override {
    const auto* results = parent->findChild<QPlainTextEdit*>("txtResult");
    log_.push_back(std::to_string(results->toPlainText().count('\n')) + " " + text.toStdString());
  }

 private:
  std::vector<std::string>& log_;
};

TEST(LongSearch, MessageBoxesKeepTheirOrderWithTheLines) {
  // The thousandth evaluation fails: after the first pass's line, before the second's.
  std::vector<std::string> log;
  frmZorvan w(std::make_unique<OrderedBoxes>(log), std::make_unique<FixedClock>(12, 34, 56));
  w.show();
  w.txtInput->setPlainText(
      "n = n + 1 : If n = 1000 Then MyFunction = 1 / 0 Else MyFunction = x - 0.3\r\n"
      "UserFN = MyFunction\r\nEnd Function\r\nDim n\r\nFunction T()");
  w.txtLower->setText("0");
  w.txtUpper->setText("2");
  QTest::mouseClick(w.cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isSolving(); }, 60000));
  QCoreApplication::processEvents();
  EXPECT_EQ(log, std::vector<std::string>{"1 Error 11 : Division by zero"});
  EXPECT_EQ(w.resultText(), "Solution: X , F(X) = 0.3, 0\r\nSolution: X , F(X) = 0.3, 0\r\n");
}

// Boxes that stay up for a while, as a user reads them, noting whether the
// progress box was ever visible meanwhile.
class SlowBoxes final : public MessageBoxes {
 public:
  explicit SlowBoxes(std::vector<std::string>& log) : log_(log) {}
  void show(QWidget* parent, const QString& text) override {
    log_.push_back(text.toStdString());
    const auto* window = static_cast<frmZorvan*>(parent);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
    while (std::chrono::steady_clock::now() < until) {
      QTest::qWait(20);
      if (window->progressDialog() != nullptr && window->progressDialog()->isVisible()) progressSeenUnderBox = true;
    }
  }
  bool progressSeenUnderBox = false;

 private:
  std::vector<std::string>& log_;
};

TEST(LongSearch, ABoxOfTheSearchIsNeverUnderTheProgressBox) {
  std::vector<std::string> log;
  auto owned = std::make_unique<SlowBoxes>(log);
  SlowBoxes& slow = *owned;
  frmZorvan w(std::move(owned), std::make_unique<FixedClock>(12, 34, 56));
  w.show();
  // Fails once early in the first pass, then runs slowly on.
  w.txtInput->setPlainText(QString("If x = 0.5 Then\r\n MyFunction = 1 / 0\r\nEnd If\r\n") + kSlowSine);
  w.txtLower->setText("0.5");
  w.txtUpper->setText("40");
  QTest::mouseClick(w.cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !log.empty(); }, 10000));
  // After the box, the search resumes, and the progress box comes back.
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.progressDialog() != nullptr && w.progressDialog()->isVisible(); }, 10000));
  EXPECT_FALSE(slow.progressSeenUnderBox);
  w.cancelSolve();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isSolving(); }, 60000));
  QCoreApplication::processEvents();
  EXPECT_EQ(log, (std::vector<std::string>{"Error 11 : Division by zero"}));
}

TEST_F(LongSearchTest, ATimeOutEndsTheSolveAndItsPlot) {
  w->ScriptControl1.setTimeout(std::chrono::milliseconds(200));
  w->txtInput->setPlainText("Do: Loop");
  const auto start = std::chrono::steady_clock::now();
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(waitForEnd());
  // Not 400 plot points at the plot engine's 10 s each.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  QCoreApplication::processEvents();
  EXPECT_EQ(boxes, std::vector<std::string>{"Error -2147467260 : Script timed out"});
  PlotWindow* plot = w->showPlotWindow();
  EXPECT_TRUE(plot->chart()->title().contains("too long")) << plot->chart()->title().toStdString();
}

TEST_F(LongSearchTest, ClosingWhileThePlotSamplesEndsAtOnce) {
  // The search never meets x = 200; the plot's samples of 0..399 do, and f
  // never returns there.
  w->txtInput->setPlainText("If x = 200 Then\r\n Do: Loop\r\nEnd If\r\nMyFunction = x - 0.5");
  w->txtLower->setText("0");
  w->txtUpper->setText("399");
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->txtResult->toPlainText().isEmpty(); }, 30000));
  QTest::qWait(500);
  ASSERT_TRUE(w->isSolving());  // still sampling
  const auto start = std::chrono::steady_clock::now();
  w.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(LongSearchTest, ClosingDuringASearchEndsIt) {
  w->txtInput->setPlainText(kSlowSine);
  w->txtLower->setText("0");
  w->txtUpper->setText("100");
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  QTest::qWait(100);
  const auto start = std::chrono::steady_clock::now();
  w.reset();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
}

TEST_F(LongSearchTest, ThePlotShowsFreshValuesGapsAndTheReportedRoots) {
  w->txtInput->setPlainText("MyFunction = Log(x)");
  w->txtLower->setText("-1");
  w->txtUpper->setText("2");
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(waitForEnd());
  PlotWindow* plot = w->showPlotWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(plot));
  VBScriptEngine check;
  ASSERT_TRUE(check.addCode(buildScript("MyFunction = Log(x)")));
  int curves = 0, roots = 0;
  for (QAbstractSeries* s : plot->chart()->series()) {
    if (s->objectName() == "f") {
      ++curves;
      for (const QPointF& p : static_cast<QLineSeries*>(s)->points()) {
        EXPECT_GT(p.x(), 0.0);  // Log fails at and left of 0: a gap there
        EXPECT_GE(p.x(), -1.0);
        EXPECT_LE(p.x(), 2.0);
        if (p.x() > 0.05) {
          EXPECT_NEAR(p.y(), FNF(check, Value(p.x()))->toDouble(), 1e-12);
        }
      }
    } else if (s->objectName() == "root") {
      ++roots;
      EXPECT_EQ(s->name(), "1");
      EXPECT_EQ(static_cast<QScatterSeries*>(s)->points().front().x(), 1.0);
    }
  }
  EXPECT_EQ(curves, 1);
  const QString lines = w->txtResult->toPlainText();
  EXPECT_EQ(roots, lines.count('\n'));
}

TEST_F(LongSearchTest, ThePlotOfTheStartTextIsSaved) {
  w->txtLower->setText("-5");
  w->txtUpper->setText("5");
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(waitForEnd());
  QTest::keyClick(w.get(), Qt::Key_G, Qt::ControlModifier);
  PlotWindow* plot = w->findChild<PlotWindow*>("Plot");
  ASSERT_NE(plot, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(plot));
  QDir().mkpath(ZORVAN_ARTIFACTS_DIR);
  EXPECT_TRUE(plot->grab().save(QString(ZORVAN_ARTIFACTS_DIR) + "/plot_start_text_offscreen.png"));
  int roots = 0;
  for (QAbstractSeries* s : plot->chart()->series()) roots += s->objectName() == "root";
  EXPECT_EQ(roots, w->txtResult->toPlainText().count('\n'));
  EXPECT_GE(roots, 2);
}

}  // namespace
}  // namespace zorvan::ui
