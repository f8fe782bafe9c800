#pragma once
// The function box as a code editor: a fixed-pitch font, line numbers in a
// gutter, the current line marked, the bracket matching the one at the
// caret marked, Tab and Shift+Tab to indent and unindent, Enter keeping the
// indentation, a completion list on Ctrl+Space, and the line of an error
// marked until the text is edited.

#include <QPlainTextEdit>

class QCompleter;
class QStringListModel;

namespace zorvan::ui {

class CodeEditor final : public QPlainTextEdit {
 public:
  explicit CodeEditor(QWidget* parent);

  int gutterWidth() const;
  // Marks a line (from 1) as the place of an error, with a tooltip; 0 clears.
  void markErrorLine(int line, const QString& hint = {});
  int errorLine() const { return errorLine_; }
  // Where the bracket matching the one at the caret stands, or -1.
  int matchingBracket() const { return matchingBracket_; }
  // Opens the completion list for the word before the caret.
  void complete();
  QCompleter* completer() const { return completer_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  friend class Gutter;
  void paintGutter(QPaintEvent* event);
  void updateMarks();
  void indentSelection(bool in);
  QString wordBeforeCaret() const;
  void insertCompletion(const QString& word);

  QWidget* gutter_;
  QCompleter* completer_;
  QStringListModel* words_;
  int errorLine_ = 0;
  QString errorHint_;
  int matchingBracket_ = -1;
};

}  // namespace zorvan::ui
