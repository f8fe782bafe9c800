// The window on Qt's offscreen platform: controls, contents, and the Solve
// command with the message boxes answered by the test.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <clocale>
#include <set>
#include <string>

#include "eval/user_function.h"
#include "ui/answering_boxes.h"
#include "ui/form_layout.h"
#include "ui/frm_zorvan.h"
#include "ui/slanted_line.h"

namespace zorvan::ui {
namespace {

struct WindowTest : WindowFixture {

  void approach(int index) { w->Option1[index]->click(); }
  void solve() {
    QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isSolving(); }, 60000));
    QCoreApplication::processEvents();  // the last lines queued by the search
  }
  void saveArtifact(const char* name) {
    QDir().mkpath(ZORVAN_ARTIFACTS_DIR);
    w->grab().save(QString(ZORVAN_ARTIFACTS_DIR) + "/" + name);
  }
};

// A caption as shown, without its mnemonic mark.
std::string caption(QString text) { return text.remove('&').toStdString(); }

TEST_F(WindowTest, ControlsStandWhereTheLayoutPutsThem) {
  for (const ControlPlace& e : kFormLayout) {
    auto* c = w->findChild<QWidget*>(e.name);
    ASSERT_NE(c, nullptr) << e.name;
    EXPECT_EQ(c->parentWidget()->objectName().toStdString(), e.parent) << e.name;
    EXPECT_EQ(c->geometry(), QRect(w->px(e.left), w->px(e.top), w->px(e.width), w->px(e.height))) << e.name;
  }
  // One factor for the whole form, never below 15 twips to the pixel.
  const double f = w->pixelsPerTwip();
  EXPECT_GE(f, 1 / 15.0);
  EXPECT_EQ(w->centralWidget()->size(), QSize(w->px(5790), w->px(4260)));
  EXPECT_EQ(w->Line1->parentWidget(), w->Frame1);
  EXPECT_NEAR(w->Line1->line().x1(), 2888 * f, 1e-9);
  EXPECT_NEAR(w->Line1->line().y2(), 1455 * f, 1e-9);
  EXPECT_EQ(w->objectName(), "frmZorvan");
}

TEST_F(WindowTest, KindsCaptionsAndContentsAtStart) {
  EXPECT_EQ(w->windowTitle(), "Solve any single variable equation");
  EXPECT_FALSE(w->windowIcon().isNull());
  EXPECT_EQ(w->windowIcon().pixmap(32, 32).size(), QSize(32, 32));
  EXPECT_EQ(caption(w->lblUserFN->text()), "Write your function using basic math functions, operators and variable x");
  EXPECT_EQ(caption(w->Frame1->title()), "Approach");
  EXPECT_EQ(caption(w->Option1[0]->text()), "Search within interval");
  EXPECT_EQ(caption(w->Option1[1]->text()), "Start with approximation");
  EXPECT_TRUE(w->Option1[0]->isChecked());
  EXPECT_FALSE(w->Option1[1]->isChecked());
  EXPECT_EQ(caption(w->Label1[0]->text()), "Lower bound");
  EXPECT_EQ(caption(w->Label1[1]->text()), "Upper bound");
  EXPECT_EQ(caption(w->chkNonNegative->text()), "Non-negative root");
  EXPECT_TRUE(w->chkNonNegative->isChecked());
  EXPECT_EQ(caption(w->cmdSolve->text()), "Solve");
  EXPECT_TRUE(w->txtLower->text().isEmpty());
  EXPECT_TRUE(w->txtUpper->text().isEmpty());
  EXPECT_TRUE(w->txtApprox->text().isEmpty());
  EXPECT_TRUE(w->txtResult->toPlainText().isEmpty());
  EXPECT_EQ(w->txtInput->toPlainText().toStdString() , "MyFunction = x*x - x*Cos(x) -6\n");
  EXPECT_EQ(w->txtInput->toolTip(), "MyFunction = f(x)");
  EXPECT_EQ(w->txtInput->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(w->txtInput->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(w->txtResult->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(w->txtResult->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(w->Option1[0]->parentWidget(), w->Option1[1]->parentWidget());
  saveArtifact("window_at_start.png");
}

TEST_F(WindowTest, FocusStartsInTheFunctionBoxAndTabsInOrder) {
  QApplication::setActiveWindow(w.get());
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == w->txtInput; }, 2000));
  std::vector<std::string> chain;
  QWidget* start = w->txtInput;
  QWidget* c = start;
  do {
    if ((c->focusPolicy() & Qt::TabFocus) && c->isVisible() && w->isAncestorOf(c)) chain.push_back(c->objectName().toStdString());
    c = c->nextInFocusChain();
  } while (c != start);
  const std::vector<std::string> expected = {"txtInput", "Option1_0", "Option1_1", "txtLower", "txtUpper",
                                             "txtApprox", "chkNonNegative", "cmdSolve", "txtResult"};
  EXPECT_EQ(chain, expected);
  for (QWidget* none : {static_cast<QWidget*>(w->lblUserFN), static_cast<QWidget*>(w->Label1[0]),
                        static_cast<QWidget*>(w->Frame1), static_cast<QWidget*>(w->Line1)})
    EXPECT_FALSE(none->focusPolicy() & Qt::TabFocus) << none->objectName().toStdString();
}

TEST_F(WindowTest, ChangingTheApproachChangesNothingElse) {
  w->txtLower->setText("1");
  w->txtApprox->setText("2");
  approach(1);
  EXPECT_TRUE(w->Option1[1]->isChecked());
  EXPECT_FALSE(w->Option1[0]->isChecked());
  EXPECT_EQ(w->txtLower->text(), "1");
  EXPECT_EQ(w->txtApprox->text(), "2");
  EXPECT_TRUE(w->txtLower->isEnabled());
  EXPECT_TRUE(w->chkNonNegative->isChecked());
  approach(0);
  EXPECT_TRUE(w->Option1[0]->isChecked());
  EXPECT_FALSE(w->Option1[1]->isChecked());
}

TEST_F(WindowTest, SolveFromAnApproximation) {
  approach(1);
  w->txtApprox->setText("1");
  solve();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(w->resultText().rfind("Solution: X , F(X) = 2.18003, ", 0), 0u);
  EXPECT_EQ(w->resultText().substr(w->resultText().size() - 2), "\r\n");
  saveArtifact("window_after_solve.png");
}

TEST_F(WindowTest, RetryMessagesComeInOrder) {
  w->txtInput->setPlainText("MyFunction = x*x + 1");
  approach(1);
  w->txtApprox->setText("1");
  solve();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].rfind("YET TO CONVERGE... X , F(X) = 0.315, ", 0), 0u);
  EXPECT_EQ(boxes[1].rfind("YET TO CONVERGE... X , F(X) = -2.578, ", 0), 0u);
  EXPECT_TRUE(w->txtResult->toPlainText().isEmpty());
}

TEST_F(WindowTest, SolveOverAnInterval) {
  w->txtLower->setText("0");
  w->txtUpper->setText("5");
  solve();
  const std::string r = w->resultText();
  EXPECT_EQ(r.rfind("Solution: X , F(X) = 2.18003, ", 0), 0u) << r;
  EXPECT_EQ(std::count(r.begin(), r.end(), '\n'), 2);
}

TEST_F(WindowTest, EmptyBoundsSearchZeroToZero) {
  solve();
  EXPECT_EQ(boxes, std::vector<std::string>(4, "PROBABLY NO REAL ROOTS IN INTERVAL"));
}

TEST_F(WindowTest, SolvesAccumulateAndUseTheEditedFunction) {
  approach(1);
  w->txtApprox->setText("3");
  w->txtInput->setPlainText("MyFunction = x - 1\n");
  solve();
  w->txtInput->setPlainText("MyFunction = x - 7\n");
  solve();
  EXPECT_EQ(w->resultText(), "Solution: X , F(X) = 1, 0\r\nSolution: X , F(X) = 7, 0\r\n");
}

TEST_F(WindowTest, NumberBoxesAreReadByTheLeadingNumberRule) {
  // The first grid point is the lower bound itself: the function fails there
  // and only there, so the error box shows that the box was read as expected.
  struct Case {
    const char* box;
    const char* reading;
    const char* upper;
  };
  for (const Case c : {Case{"2,5", "2", "3"}, Case{"1 000", "1000", "1001"}, Case{"-3.5e1x", "-35", "-34"},
                       Case{"abc", "0", "1"}}) {
    boxes.clear();
    w->txtInput->setPlainText(QString("If x = %1 Then MyFunction = 1 / 0 Else MyFunction = 1").arg(c.reading));
    w->txtLower->setText(c.box);
    w->txtUpper->setText(c.upper);
    solve();
    ASSERT_FALSE(boxes.empty()) << c.box;
    EXPECT_EQ(boxes[0], "Error 11 : Division by zero") << c.box;
  }
  // A value beyond a double runs nothing and shows nothing.
  boxes.clear();
  w->txtLower->setText("1E400");
  solve();
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(w->txtResult->toPlainText().isEmpty());
}

// The C library's numbers follow the environment once Qt has started; the
// boxes and the results must not.
TEST_F(WindowTest, NumbersUseThePeriodWhateverTheLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  w->txtInput->setPlainText("If x = 0.5 Then MyFunction = 1 / 0 Else MyFunction = x*x - x*Cos(x) -6");
  w->txtLower->setText("0.5");
  w->txtUpper->setText("5");
  solve();
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(boxes, std::vector<std::string>{"Error 11 : Division by zero"});
  EXPECT_EQ(w->resultText().rfind("Solution: X , F(X) = 2.18003, ", 0), 0u) << w->resultText();
  EXPECT_EQ(w->resultText().find(','), w->resultText().find(" , ") + 1);
}

TEST_F(WindowTest, EnterInANumberBoxOrOnSolveSolves) {
  QApplication::setActiveWindow(w.get());
  w->txtLower->setText("0");
  w->txtUpper->setText("5");
  w->txtUpper->setFocus();
  QTest::keyClick(w->txtUpper, Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isSolving(); }, 60000));
  QCoreApplication::processEvents();
  const int lines = w->txtResult->toPlainText().count('\n');
  EXPECT_GE(lines, 1);
  w->cmdSolve->setFocus();
  QTest::keyClick(w->cmdSolve, Qt::Key_Enter);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isSolving(); }, 60000));
  QCoreApplication::processEvents();
  EXPECT_EQ(w->txtResult->toPlainText().count('\n'), 2 * lines);
  EXPECT_TRUE(w->cmdSolve->isDefault());
}

TEST_F(WindowTest, EveryCaptionHasItsOwnMnemonicAndLabelsLeadToTheirBoxes) {
  QApplication::setActiveWindow(w.get());
  const QString captions[] = {w->lblUserFN->text(), w->Frame1->title(), w->Option1[0]->text(), w->Option1[1]->text(),
                              w->Label1[0]->text(), w->Label1[1]->text(), w->chkNonNegative->text(), w->cmdSolve->text()};
  std::set<QChar> letters;
  for (const QString& c : captions) {
    const qsizetype at = c.indexOf('&');
    ASSERT_GE(at, 0) << c.toStdString();
    EXPECT_TRUE(letters.insert(c.at(at + 1).toLower()).second) << c.toStdString();
  }
  for (QChar menu : {QChar('f'), QChar('e'), QChar('v'), QChar('h')}) EXPECT_EQ(letters.count(menu), 0u) << menu.toLatin1();
  EXPECT_EQ(w->Label1[0]->buddy(), w->txtLower);
  EXPECT_EQ(w->Label1[1]->buddy(), w->txtUpper);
  EXPECT_EQ(w->lblUserFN->buddy(), w->txtInput);
  QTest::keyClick(w.get(), Qt::Key_U, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == w->txtUpper; }, 2000));
  QTest::keyClick(w.get(), Qt::Key_A, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return w->Option1[1]->isChecked(); }, 2000));
}

TEST_F(WindowTest, MenusAsQtApplicationsHaveThem) {
  const auto shortcut = [&](const char* name) { return w->findChild<QAction*>(name)->shortcut(); };
  EXPECT_EQ(shortcut("actionQuit"), QKeySequence(QKeySequence::Quit));
  EXPECT_FALSE(shortcut("actionPlot").isEmpty());
  EXPECT_NE(shortcut("actionPlot"), QKeySequence(QKeySequence::Print));
  EXPECT_NE(w->findChild<QAction*>("actionAbout"), nullptr);
  EXPECT_NE(w->findChild<QAction*>("actionAboutQt"), nullptr);
  w->txtResult->setPlainText("Solution: X , F(X) = 1, 0\n");
  w->findChild<QAction*>("actionCopyResults")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "Solution: X , F(X) = 1, 0\n");
  w->findChild<QAction*>("actionClearResults")->trigger();
  EXPECT_TRUE(w->txtResult->toPlainText().isEmpty());
}

TEST_F(WindowTest, EveryControlHasAnAccessibleNameAndDescription) {
  int checked = 0;
  for (QWidget* c : w->centralWidget()->findChildren<QWidget*>()) {
    // Parts of controls (scroll bars, viewports) and the drawn line have no name of their own.
    if (c->objectName().isEmpty() || c->objectName().startsWith("qt_") || c == w->Line1) continue;
    ++checked;
    EXPECT_FALSE(c->accessibleName().isEmpty()) << c->objectName().toStdString();
    EXPECT_FALSE(c->accessibleDescription().isEmpty()) << c->objectName().toStdString();
  }
  EXPECT_EQ(checked, 14);  // the controls, and the function box's line numbers
  EXPECT_EQ(w->txtInput->toolTip(), "MyFunction = f(x)");
}

TEST_F(WindowTest, ALargerFontEnlargesTheFormAndEveryCaptionStillFits) {
  const int before = w->width();
  QFont font = w->font();
  font.setPointSizeF(font.pointSizeF() * 1.6);
  w->setFont(font);
  EXPECT_GT(w->width(), before);
  for (QWidget* c : {static_cast<QWidget*>(w->lblUserFN), static_cast<QWidget*>(w->Option1[1]),
                     static_cast<QWidget*>(w->chkNonNegative)}) {
    EXPECT_LE(c->sizeHint().width(), c->width()) << c->objectName().toStdString();
    EXPECT_LE(c->sizeHint().height(), c->height()) << c->objectName().toStdString();
  }
  EXPECT_LE(w->txtLower->minimumSizeHint().height(), w->txtLower->height());
}

// As the user types, a box of the chosen approach says how Solve will read
// a text that is not one plain number; the other approach's boxes say nothing.
TEST_F(WindowTest, NumberBoxesSayHowTheyWillBeRead) {
  const auto note = [](QLineEdit* box) { return box->property("readingNote").toString().toStdString(); };
  const auto marked = [](QLineEdit* box) {
    auto* mark = box->findChild<QAction*>("readingMark");
    return mark != nullptr && mark->isVisible();
  };
  EXPECT_EQ(note(w->txtLower), "Empty: read as 0");  // the window opens with empty bounds
  EXPECT_EQ(note(w->txtApprox), "");
  const std::pair<const char*, const char*> table[] = {
      {"0,5", "Read as 0: use a period as the decimal separator"},
      {"2x", "Read as 2: the rest is ignored"},
      {"abc", "Read as 0: not a number"},
      {"1E400", "Too large for a number: Solve will not run"},
      {"-2.5", ""},
  };
  for (const auto& [text, expected] : table) {
    w->txtLower->clear();
    QTest::keyClicks(w->txtLower, text);
    EXPECT_EQ(note(w->txtLower), expected) << text;
    EXPECT_EQ(marked(w->txtLower), *expected != '\0') << text;
    EXPECT_EQ(w->txtLower->toolTip().toStdString(), *expected != '\0' ? expected : "One end of the interval to search");
  }
  w->txtApprox->setText("1,5");
  EXPECT_FALSE(marked(w->txtApprox));
  w->txtLower->setText("abc");
  approach(1);
  EXPECT_EQ(note(w->txtApprox), "Read as 1: use a period as the decimal separator");
  EXPECT_TRUE(marked(w->txtApprox));
  EXPECT_FALSE(marked(w->txtLower));
  EXPECT_FALSE(marked(w->txtUpper));
  approach(0);
  EXPECT_FALSE(marked(w->txtApprox));
  EXPECT_TRUE(marked(w->txtLower));
}

TEST_F(WindowTest, EveryControlHasATip) {
  for (QWidget* c : w->centralWidget()->findChildren<QWidget*>()) {
    if (!c->accessibleName().isEmpty()) {
      EXPECT_FALSE(c->toolTip().isEmpty()) << c->objectName().toStdString();
    }
  }
  EXPECT_EQ(w->txtInput->toolTip(), "MyFunction = f(x)");
}

// After an error's box, the caret stands where the error arose and its line
// is marked until the text is edited; the box's text is as before.
TEST_F(WindowTest, TheFunctionBoxShowsWhereTheErrorIs) {
  struct Case {
    const char* text;
    const char* box;
    int line, column;
  };
  for (const Case& c : {Case{"a = 1\n\n  MyFunction = Log(x - 9)", "Error 5 : Invalid procedure call or argument", 3, 3},
                        Case{"a = 1\nMyFunction = (x", "Error 1006 : Expected ')'", 2, 16},
                        Case{"b = 2\nMyFunction = Eval(\"1/0\")", "Error 11 : Division by zero", 2, 1}}) {
    boxes.clear();
    w->txtInput->setPlainText(c.text);
    w->txtLower->setText("0");
    w->txtUpper->setText("1");
    solve();
    QCoreApplication::processEvents();
    ASSERT_FALSE(boxes.empty()) << c.text;
    EXPECT_EQ(boxes.front(), c.box);
    const QTextCursor caret = w->txtInput->textCursor();
    EXPECT_EQ(caret.blockNumber() + 1, c.line) << c.text;
    EXPECT_EQ(caret.positionInBlock() + 1, c.column) << c.text;
    EXPECT_EQ(w->txtInput->errorLine(), c.line);
    QTest::keyClick(w->txtInput, Qt::Key_Space);
    EXPECT_EQ(w->txtInput->errorLine(), 0);
  }
}

// Edit's actions act on the text box with the focus, through the menu as
// well as their keys.
TEST_F(WindowTest, EditActsOnTheFocusedBox) {
  QApplication::setActiveWindow(w.get());
  const auto run = [&](const char* name) { w->findChild<QAction*>(name)->trigger(); };
  w->txtLower->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == w->txtLower; }, 2000));
  QTest::keyClicks(w->txtLower, "1.25");
  run("actionSelectAll");
  EXPECT_EQ(w->txtLower->selectedText(), "1.25");
  run("actionCopy");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "1.25");
  run("actionCut");
  EXPECT_EQ(w->txtLower->text(), "");
  run("actionUndo");
  EXPECT_EQ(w->txtLower->text(), "1.25");
  run("actionRedo");
  EXPECT_EQ(w->txtLower->text(), "");
  w->txtInput->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == w->txtInput; }, 2000));
  run("actionSelectAll");
  run("actionPaste");
  EXPECT_EQ(w->txtInput->toPlainText(), "1.25");
  std::set<QString> keys;
  for (const char* name : {"actionUndo", "actionRedo", "actionCut", "actionCopy", "actionPaste", "actionSelectAll"})
    EXPECT_TRUE(keys.insert(w->findChild<QAction*>(name)->shortcut().toString()).second) << name;
}

// A box shows no more than a few thousand characters of a long description.
TEST_F(WindowTest, ALongDescriptionIsCutInTheBox) {
  w->txtInput->setPlainText("Err.Raise 1000, \"x\", String(600000, \"e\")");
  solve();
  ASSERT_FALSE(boxes.empty());  // the error, then the no-root messages
  EXPECT_LE(QString::fromStdString(boxes[0]).size(), 3001);
  EXPECT_EQ(boxes[0].rfind("Error 1000 : eee", 0), 0u);
  EXPECT_EQ(QString::fromStdString(boxes[0]).back(), QChar(0x2026));
}

TEST_F(WindowTest, ACompileErrorShowsOneBox) {
  w->txtInput->setPlainText("MyFunction = (x");
  solve();
  EXPECT_EQ(boxes, std::vector<std::string>{"Error 1006 : Expected ')'"});
  EXPECT_TRUE(w->txtResult->toPlainText().isEmpty());
}

}  // namespace
}  // namespace zorvan::ui

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
