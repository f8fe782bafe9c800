// The function box as an editor, function files, examples and the
// functions' help, on Qt's offscreen platform.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <cmath>

#include "eval/language.h"
#include "ui/answering_boxes.h"
#include "ui/examples.h"
#include "ui/functions_help.h"
#include "ui/vbscript_highlighter.h"

namespace zorvan::ui {
namespace {

// A window whose settings live in a folder of the test's own.
struct EditorTest : WindowFixture {
  QTemporaryDir dir;
  AnsweringBoxes* answering = nullptr;

  void SetUp() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    boxes.clear();
    auto owned = std::make_unique<AnsweringBoxes>(boxes);
    answering = owned.get();
    w = std::make_unique<frmZorvan>(std::move(owned), std::make_unique<FixedClock>(12, 34, 56));
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  }
  QString file(const char* name, const QByteArray& bytes = {}) {
    const QString path = dir.filePath(name);
    if (!bytes.isNull()) {
      QFile f(path);
      EXPECT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(bytes);
    }
    return path;
  }
  void trigger(const char* name) { w->findChild<QAction*>(name)->trigger(); }
};

// The format the highlighter gave the character at a position of the text.
QColor colourAt(QPlainTextEdit* box, int position) {
  const QTextBlock block = box->document()->findBlock(position);
  const int at = position - block.position();
  for (const QTextLayout::FormatRange& r : block.layout()->formats())
    if (r.start <= at && at < r.start + r.length) return r.format.foreground().color();
  return {};
}

TEST_F(EditorTest, TheHighlighterColoursEachKindOfWord) {
  const QString text = "If x > 1.5E3 Then MyFunction = Sqr(x) & \"If Then\" ' If Then\nRem a comment\ny = vbCrLf : Err.Number = 5";
  w->txtInput->setPlainText(text);
  QCoreApplication::processEvents();
  VBScriptHighlighter reference(nullptr);
  const auto colour = [&](VBScriptHighlighter::Kind k) { return reference.format(k).foreground().color(); };
  using K = VBScriptHighlighter::Kind;
  const std::pair<const char*, K> table[] = {
      {"If x", K::Keyword}, {"x >", K::Function}, {"1.5E3", K::Number}, {"Then My", K::Keyword},
      {"MyFunction", K::Function}, {"Sqr", K::Builtin}, {"\"If Then\"", K::String}, {"' If", K::Comment},
      {"Rem a", K::Comment}, {"vbCrLf", K::Builtin}, {"Err.", K::Builtin},
  };
  for (const auto& [piece, kind] : table) {
    const int at = static_cast<int>(text.indexOf(QString::fromUtf8(piece)));
    ASSERT_GE(at, 0) << piece;
    EXPECT_EQ(colourAt(w->txtInput, at), colour(kind)) << piece;
  }
  // A member after the period is not a keyword or built-in; "Then" inside the string is string.
  EXPECT_NE(colourAt(w->txtInput, static_cast<int>(text.indexOf("Number"))), colour(K::Builtin));
  EXPECT_EQ(colourAt(w->txtInput, static_cast<int>(text.indexOf("Then\""))), colour(K::String));
  EXPECT_EQ(w->txtInput->font().fixedPitch() || QFontInfo(w->txtInput->font()).fixedPitch(), true);
}

TEST_F(EditorTest, TheGutterGrowsWithTheLineCount) {
  const int digit = w->txtInput->fontMetrics().horizontalAdvance('9');
  int last = 0;
  for (int lines : {1, 9, 10, 99, 100, 999, 1000}) {
    w->txtInput->setPlainText(QString("y = 1\n").repeated(lines - 1) + "MyFunction = x");
    const int width = w->txtInput->gutterWidth();
    const int digits = lines >= 1000 ? 4 : lines >= 100 ? 3 : 2;
    EXPECT_GE(width, digits * digit) << lines;
    EXPECT_LT(width, (digits + 2) * digit) << lines;
    EXPECT_GE(width, last);
    last = width;
    EXPECT_EQ(w->txtInput->viewport()->x(), w->txtInput->frameWidth() + width);
  }
}

TEST_F(EditorTest, TabsIndentationBracketsAndCompletion) {
  w->txtInput->clear();
  w->txtInput->setFocus();
  QTest::keyClicks(w->txtInput, "If x > 0 Then");
  QTest::keyClick(w->txtInput, Qt::Key_Return);
  QTest::keyClick(w->txtInput, Qt::Key_Tab);
  QTest::keyClicks(w->txtInput, "total = (x + 1)");
  QTest::keyClick(w->txtInput, Qt::Key_Return);
  QTest::keyClicks(w->txtInput, "MyFunction = total");
  EXPECT_EQ(w->txtInput->toPlainText(), "If x > 0 Then\n  total = (x + 1)\n  MyFunction = total");
  // Shift+Tab takes the indentation back.
  QTest::keyClick(w->txtInput, Qt::Key_Backtab);
  EXPECT_TRUE(w->txtInput->toPlainText().endsWith("\nMyFunction = total"));
  // The bracket at the caret and its match.
  QTextCursor c = w->txtInput->textCursor();
  c.setPosition(static_cast<int>(w->txtInput->toPlainText().indexOf('(')));
  w->txtInput->setTextCursor(c);
  EXPECT_EQ(w->txtInput->matchingBracket(), w->txtInput->toPlainText().indexOf(')'));
  // Ctrl+Space lists the built-ins and the user's own names.
  c.movePosition(QTextCursor::End);
  w->txtInput->setTextCursor(c);
  QTest::keyClick(w->txtInput, Qt::Key_Return);
  QTest::keyClicks(w->txtInput, "y = to");
  QTest::keyClick(w->txtInput, Qt::Key_Space, Qt::ControlModifier);
  QCompleter* list = w->txtInput->completer();
  ASSERT_TRUE(list->popup()->isVisible());
  EXPECT_EQ(list->currentCompletion(), "total");
  QTest::keyClick(list->popup(), Qt::Key_Return);
  EXPECT_TRUE(w->txtInput->toPlainText().endsWith("y = total")) << w->txtInput->toPlainText().toStdString();
  QTest::keyClicks(w->txtInput, " + Sq");
  QTest::keyClick(w->txtInput, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(list->currentCompletion(), "Sqr");
  QTest::keyClick(list->popup(), Qt::Key_Escape);
}

// Files keep the text as UTF-8 with CR LF line ends, and read any line end.
TEST_F(EditorTest, OpenAndSaveRoundTrips) {
  struct Case {
    const char* name;
    QByteArray bytes;
    QString text;
  };
  const Case cases[] = {
      {"crlf.vbs", "a = 1\r\nMyFunction = x - a\r\n", "a = 1\nMyFunction = x - a\n"},
      {"lf.vbs", "a = 2\nMyFunction = x - a", "a = 2\nMyFunction = x - a"},
      {"cr.vbs", "a = 3\rMyFunction = x - a", "a = 3\nMyFunction = x - a"},
      {"utf8.vbs", "' \xc3\xa9t\xc3\xa9\nMyFunction = x", QString::fromUtf8("' été\nMyFunction = x")},
      {"invalid.vbs", "' \xff\xfe\nMyFunction = x", QString("' \uFFFD\uFFFD\nMyFunction = x")},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(w->openFile(file(c.name, c.bytes))) << c.name;
    EXPECT_EQ(w->txtInput->toPlainText(), c.text) << c.name;
    EXPECT_EQ(w->windowTitle(), QString(c.name) + "[*] - Solve any single variable equation");
    EXPECT_FALSE(w->isWindowModified());
    const QString copy = file((std::string("copy-") + c.name).c_str());
    ASSERT_TRUE(w->saveFileAs(copy));
    QFile saved(copy);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    QString expected = c.text;
    expected.replace("\n", "\r\n");
    EXPECT_EQ(saved.readAll(), expected.toUtf8()) << c.name;
    EXPECT_EQ(w->filePath(), QFileInfo(copy).absoluteFilePath());
  }
  // Typing marks the title; Save clears it.
  QTest::keyClicks(w->txtInput, "'");
  EXPECT_TRUE(w->isWindowModified());
  trigger("actionSave");
  EXPECT_FALSE(w->isWindowModified());
  // A file that cannot be read or written says so, names it, and the box keeps its text.
  const QString before = w->txtInput->toPlainText();
  EXPECT_FALSE(w->openFile(file("missing.vbs")));
  EXPECT_FALSE(w->saveFileAs(dir.filePath("no/such/folder/f.vbs")));
  EXPECT_EQ(w->txtInput->toPlainText(), before);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].rfind("warn: Cannot open " + QDir::toNativeSeparators(file("missing.vbs")).toStdString() + ": ", 0), 0u);
  EXPECT_EQ(boxes[1].rfind("warn: Cannot save ", 0), 0u);
}

// Changes to a function from or to a file are asked about before they are
// lost; an untitled function never asks.
TEST_F(EditorTest, UnsavedChangesAreAskedAbout) {
  w->txtInput->setPlainText("MyFunction = x - 7");
  trigger("actionNew");
  EXPECT_TRUE(boxes.empty());  // untitled
  const QString path = file("f.vbs", "MyFunction = x - 1\r\n");
  ASSERT_TRUE(w->openFile(path));
  QTest::keyClicks(w->txtInput, "' edited");
  answering->answer = MessageBoxes::Answer::Cancel;
  trigger("actionNew");
  EXPECT_EQ(boxes, std::vector<std::string>{"ask: Save the changes to f.vbs?"});
  EXPECT_TRUE(w->txtInput->toPlainText().contains("edited"));
  EXPECT_FALSE(w->close());  // Cancel keeps the window
  EXPECT_TRUE(w->isVisible());
  answering->answer = MessageBoxes::Answer::Discard;
  trigger("actionNew");
  EXPECT_EQ(w->filePath(), "");
  QFile unchanged(path);
  ASSERT_TRUE(unchanged.open(QIODevice::ReadOnly));
  EXPECT_EQ(unchanged.readAll(), "MyFunction = x - 1\r\n");
  unchanged.close();
  ASSERT_TRUE(w->openFile(path));
  QTest::keyClicks(w->txtInput, "' kept");
  answering->answer = MessageBoxes::Answer::Save;
  EXPECT_TRUE(w->close());
  ASSERT_TRUE(unchanged.open(QIODevice::ReadOnly));
  EXPECT_TRUE(unchanged.readAll().contains("' kept"));
}

TEST_F(EditorTest, RecentFilesAreKeptAcrossRuns) {
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(w->openFile(file(("r" + std::to_string(i) + ".vbs").c_str(), "MyFunction = x")));
  w.reset();
  frmZorvan again(std::make_unique<AnsweringBoxes>(boxes), std::make_unique<FixedClock>(1, 2, 3));
  const QStringList recent = again.recentFiles();
  ASSERT_EQ(recent.size(), frmZorvan::kRecentFiles);
  EXPECT_EQ(recent.front(), QFileInfo(file("r9.vbs")).absoluteFilePath());
  EXPECT_EQ(recent.back(), QFileInfo(file("r2.vbs")).absoluteFilePath());
  auto* menu = again.findChild<QMenu*>("menuRecent");
  emit menu->aboutToShow();
  ASSERT_EQ(menu->actions().size(), frmZorvan::kRecentFiles);
  menu->actions().at(3)->trigger();
  EXPECT_EQ(again.filePath(), recent.at(3));
}

TEST_F(EditorTest, ADroppedFileOpens) {
  const QString path = file("dropped.vbs", "MyFunction = x - 3");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  for (QWidget* target : {static_cast<QWidget*>(w.get()), w->txtInput->viewport()}) {
    w->txtInput->setPlainText("MyFunction = 0");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_EQ(w->txtInput->toPlainText(), "MyFunction = x - 3");
    EXPECT_EQ(w->filePath(), QFileInfo(path).absoluteFilePath());
  }
}

TEST_F(EditorTest, EveryExampleFindsARoot) {
  for (const Example& e : examples()) {
    boxes.clear();
    w->txtResult->clear();
    auto* menu = w->findChild<QMenu*>("menuExamples");
    for (QAction* a : menu->actions())
      if (a->text() == QString::fromUtf8(e.title)) a->trigger();
    EXPECT_EQ(w->txtInput->toPlainText(), QString::fromUtf8(e.function)) << e.title;
    EXPECT_EQ(w->Option1[0]->isChecked(), e.interval);
    QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isSolving(); }, 60000));
    QCoreApplication::processEvents();
    const QStringList lines = w->txtResult->toPlainText().split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty()) << e.title;
    // Every line a root (the pole's example may show its division by zero).
    for (const QString& line : lines) {
      ASSERT_TRUE(line.startsWith("Solution: X , F(X) = ")) << line.toStdString();
      EXPECT_LT(std::fabs(line.section(", ", 1).toDouble()), 1e-3) << e.title << ": " << line.toStdString();
    }
  }
  QDir().mkpath(ZORVAN_ARTIFACTS_DIR);
  w->grab().save(QString(ZORVAN_ARTIFACTS_DIR) + "/editor_with_example.png");
}

TEST_F(EditorTest, AnUnknownNameCloseToABuiltInIsHinted) {
  w->txtInput->setPlainText("a = 1\nMyFunction = sqrt(x) - 2");
  w->txtLower->setText("0");
  w->txtUpper->setText("9");
  QTest::mouseClick(w->cmdSolve, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isSolving(); }, 60000));
  QCoreApplication::processEvents();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes[0], "Error 13 : Type mismatch: 'sqrt'");
  EXPECT_EQ(w->txtInput->errorLine(), 2);
  EXPECT_EQ(w->txtInput->property("errorHint").toString(), "Did you mean Sqr?");
  QDir().mkpath(ZORVAN_ARTIFACTS_DIR);
  w->grab().save(QString(ZORVAN_ARTIFACTS_DIR) + "/editor_error_line.png");
}

TEST_F(EditorTest, HelpListsEveryFunction) {
  trigger("actionFunctions");
  auto* help = w->findChild<FunctionsHelp*>();
  ASSERT_NE(help, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
  const QString text = help->findChild<QTextBrowser*>()->toPlainText();
  for (const char* piece : {"Sqr(number)", "InStr([start, ]text, find[, compare])", "Integer division", "vbCrLf", "Mod"})
    EXPECT_TRUE(text.contains(piece)) << piece;
  // Every function of the engine, each with its line.
  for (const FunctionHelp& f : languageFunctions()) {
    EXPECT_FALSE(f.summary.empty()) << f.name;
    EXPECT_TRUE(text.contains(QString::fromStdString(f.name + "("))) << f.name;
  }
  QDir().mkpath(ZORVAN_ARTIFACTS_DIR);
  help->grab().save(QString(ZORVAN_ARTIFACTS_DIR) + "/help_functions.png");
}

}  // namespace
}  // namespace zorvan::ui
