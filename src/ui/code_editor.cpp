#include "ui/code_editor.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QStringListModel>
#include <QTextBlock>
#include <QToolTip>
#include <algorithm>

#include "eval/language.h"

namespace zorvan::ui {

class Gutter final : public QWidget {
 public:
  explicit Gutter(CodeEditor* editor) : QWidget(editor), editor_(editor) {
    setObjectName("lineNumbers");
    setAccessibleName(QStringLiteral("Line numbers"));
    setAccessibleDescription(QStringLiteral("The number of each line of the function"));
    setToolTip(accessibleDescription());
  }
  QSize sizeHint() const override { return {editor_->gutterWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->paintGutter(event); }

 private:
  CodeEditor* editor_;
};

namespace {

constexpr int kIndent = 2;

// The built-ins, the constants and a few words a user types often.
QStringList builtinWords() {
  QStringList words;
  for (const FunctionHelp& f : languageFunctions()) words << QString::fromStdString(f.name);
  for (const std::string& c : languageConstants()) words << QString::fromStdString(c);
  words << QStringLiteral("MyFunction");
  return words;
}

}  // namespace

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent), gutter_(new Gutter(this)) {
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { setViewportMargins(gutterWidth(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy != 0) gutter_->scroll(0, dy);
    else gutter_->update(0, rect.y(), gutter_->width(), rect.height());
  });
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] { updateMarks(); });
  // The error's line stays marked until the text is edited.
  connect(document(), &QTextDocument::contentsChanged, this, [this] {
    if (errorLine_ != 0) markErrorLine(0);
  });
  setViewportMargins(gutterWidth(), 0, 0, 0);

  words_ = new QStringListModel(this);
  completer_ = new QCompleter(words_, this);
  completer_->setWidget(this);
  completer_->setCaseSensitivity(Qt::CaseInsensitive);
  completer_->setCompletionMode(QCompleter::PopupCompletion);
  completer_->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
  connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
          [this](const QString& word) { insertCompletion(word); });
  updateMarks();
}

int CodeEditor::gutterWidth() const {
  int digits = 1;
  for (int n = std::max(1, blockCount()); n >= 10; n /= 10) ++digits;
  return 6 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(2, digits);
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect area = contentsRect();
  gutter_->setGeometry(QRect(area.left(), area.top(), gutterWidth(), area.height()));
}

void CodeEditor::paintGutter(QPaintEvent* event) {
  QPainter painter(gutter_);
  painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  const int current = textCursor().blockNumber();
  while (block.isValid() && top <= event->rect().bottom()) {
    const int height = qRound(blockBoundingRect(block).height());
    if (block.isVisible() && top + height >= event->rect().top()) {
      const bool marked = block.blockNumber() + 1 == errorLine_;
      painter.setPen(marked ? QColor(0xc0, 0x10, 0x10)
                            : palette().color(block.blockNumber() == current ? QPalette::Text : QPalette::PlaceholderText));
      painter.drawText(0, top, gutter_->width() - 3, fontMetrics().height(), Qt::AlignRight,
                       QString::number(block.blockNumber() + 1));
    }
    block = block.next();
    top += height;
  }
}

void CodeEditor::markErrorLine(int line, const QString& hint) {
  errorLine_ = line;
  errorHint_ = hint;
  setProperty("errorHint", hint);
  setProperty("errorLine", line);
  updateMarks();
  gutter_->update();
}

// The current line, the brackets at the caret and the error's line, as
// extra selections of the text.
void CodeEditor::updateMarks() {
  QList<QTextEdit::ExtraSelection> marks;
  QTextEdit::ExtraSelection current;
  current.cursor = textCursor();
  current.cursor.clearSelection();
  QColor line = palette().color(QPalette::Highlight);
  line.setAlpha(25);
  current.format.setBackground(line);
  current.format.setProperty(QTextFormat::FullWidthSelection, true);
  marks << current;

  if (errorLine_ > 0) {
    const QTextBlock block = document()->findBlockByNumber(errorLine_ - 1);
    if (block.isValid()) {
      QTextEdit::ExtraSelection error;
      error.cursor = QTextCursor(block);
      error.format.setBackground(QColor(0xff, 0x40, 0x40, 60));
      error.format.setProperty(QTextFormat::FullWidthSelection, true);
      marks << error;
    }
  }

  // The bracket at or before the caret, and its match: read from the
  // document only where the caret stands at a bracket.
  matchingBracket_ = -1;
  const QTextDocument* text = document();
  const int caret = textCursor().position();
  const int end = text->characterCount();
  for (int at : {caret, caret - 1}) {
    if (at < 0 || at >= end) continue;
    const QChar c = text->characterAt(at);
    if (c != QLatin1Char('(') && c != QLatin1Char(')')) continue;
    const int step = c == QLatin1Char('(') ? 1 : -1;
    int depth = 0;
    for (int i = at; i >= 0 && i < end; i += step) {
      const QChar here = text->characterAt(i);
      if (here == QLatin1Char('(')) depth += step;
      else if (here == QLatin1Char(')')) depth -= step;
      if (depth == 0) {
        matchingBracket_ = i;
        break;
      }
    }
    for (int p : {at, matchingBracket_}) {
      if (p < 0) continue;
      QTextEdit::ExtraSelection bracket;
      bracket.cursor = QTextCursor(document());
      bracket.cursor.setPosition(p);
      bracket.cursor.setPosition(p + 1, QTextCursor::KeepAnchor);
      bracket.format.setBackground(matchingBracket_ >= 0 ? QColor(0x80, 0xd0, 0x80, 120) : QColor(0xff, 0x80, 0x80, 120));
      marks << bracket;
    }
    break;
  }
  setExtraSelections(marks);
  gutter_->update();
}

bool CodeEditor::event(QEvent* event) {
  // The error's line tells what the name it stopped at may have meant.
  if (event->type() == QEvent::ToolTip && errorLine_ > 0 && !errorHint_.isEmpty()) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QTextCursor at = cursorForPosition(viewport()->mapFromGlobal(help->globalPos()));
    if (at.blockNumber() + 1 == errorLine_) {
      QToolTip::showText(help->globalPos(), errorHint_, this);
      return true;
    }
  }
  return QPlainTextEdit::event(event);
}

void CodeEditor::indentSelection(bool in) {
  QTextCursor c = textCursor();
  const int first = document()->findBlock(c.selectionStart()).blockNumber();
  const int last = document()->findBlock(std::max(c.selectionStart(), c.selectionEnd() - (c.hasSelection() ? 1 : 0))).blockNumber();
  c.beginEditBlock();
  for (int n = first; n <= last; ++n) {
    QTextCursor line(document()->findBlockByNumber(n));
    if (in) {
      line.insertText(QString(kIndent, QLatin1Char(' ')));
      continue;
    }
    const QString text = line.block().text();
    int spaces = 0;
    while (spaces < kIndent && spaces < text.size() && (text[spaces] == QLatin1Char(' ') || text[spaces] == QLatin1Char('\t'))) {
      ++spaces;
      if (text[spaces - 1] == QLatin1Char('\t')) break;
    }
    line.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, spaces);
    line.removeSelectedText();
  }
  c.endEditBlock();
}

QString CodeEditor::wordBeforeCaret() const {
  const QTextCursor c = textCursor();
  const QString before = c.block().text().left(c.positionInBlock());
  qsizetype start = before.size();
  while (start > 0 && (before[start - 1].isLetterOrNumber() || before[start - 1] == QLatin1Char('_'))) --start;
  return before.mid(start);
}

void CodeEditor::insertCompletion(const QString& word) {
  QTextCursor c = textCursor();
  c.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, static_cast<int>(wordBeforeCaret().size()));
  c.insertText(word);
  setTextCursor(c);
}

void CodeEditor::complete() {
  // The built-ins and the names the user's text has already.
  QSet<QString> seen;
  QStringList words = builtinWords();
  for (const QString& w : words) seen.insert(w.toLower());
  static const QRegularExpression kName(QStringLiteral("\\b[A-Za-z][A-Za-z0-9_]*\\b"));
  QSet<QString> keywords;
  for (const std::string& k : languageKeywords()) keywords.insert(QString::fromStdString(k));
  const QString prefix = wordBeforeCaret();
  for (auto it = kName.globalMatch(toPlainText()); it.hasNext();) {
    const QString name = it.next().captured();
    if (name.compare(prefix, Qt::CaseInsensitive) == 0) continue;  // the word being typed
    if (!keywords.contains(name.toLower()) && !seen.contains(name.toLower())) {
      seen.insert(name.toLower());
      words << name;
    }
  }
  words.sort(Qt::CaseInsensitive);
  words_->setStringList(words);
  completer_->setCompletionPrefix(prefix);
  QRect at = cursorRect();
  at.setWidth(completer_->popup()->sizeHintForColumn(0) + completer_->popup()->verticalScrollBar()->sizeHint().width());
  at.translate(viewportMargins().left(), 0);
  completer_->complete(at);
  completer_->popup()->setCurrentIndex(completer_->completionModel()->index(0, 0));
}

void CodeEditor::keyPressEvent(QKeyEvent* event) {
  if (completer_->popup()->isVisible()) {
    switch (event->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Tab:
      case Qt::Key_Escape:
        event->ignore();  // the list takes them
        return;
      default:
        break;
    }
  }
  if (event->key() == Qt::Key_Space && (event->modifiers() & Qt::ControlModifier)) {
    complete();
    return;
  }
  if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::NoModifier) {
    if (textCursor().hasSelection()) indentSelection(true);
    else insertPlainText(QString(kIndent - textCursor().positionInBlock() % kIndent, QLatin1Char(' ')));
    return;
  }
  if (event->key() == Qt::Key_Backtab) {
    indentSelection(false);
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
    const QString line = textCursor().block().text();
    const qsizetype caret = textCursor().positionInBlock();
    qsizetype n = 0;
    while (n < line.size() && n < caret && (line[n] == QLatin1Char(' ') || line[n] == QLatin1Char('\t'))) ++n;
    QPlainTextEdit::keyPressEvent(event);
    insertPlainText(line.left(n));
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
  if (completer_->popup()->isVisible()) {
    const QString prefix = wordBeforeCaret();
    if (prefix.isEmpty()) completer_->popup()->hide();
    else {
      completer_->setCompletionPrefix(prefix);
      completer_->popup()->setCurrentIndex(completer_->completionModel()->index(0, 0));
    }
  }
}

}  // namespace zorvan::ui
