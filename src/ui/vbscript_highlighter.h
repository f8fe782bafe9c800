#pragma once
// Colours the function box: reserved words, built-in functions and
// constants, numbers, strings, comments (' and Rem), and MyFunction and x.
// The lists of words come from the engine's own tables.

#include <QRegularExpression>
#include <QSet>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace zorvan::ui {

class VBScriptHighlighter final : public QSyntaxHighlighter {
 public:
  enum class Kind { Keyword, Builtin, Number, String, Comment, Function };
  explicit VBScriptHighlighter(QTextDocument* document);
  const QTextCharFormat& format(Kind kind) const { return formats_[static_cast<int>(kind)]; }

 protected:
  void highlightBlock(const QString& text) override;

 private:
  QTextCharFormat formats_[6];
  QSet<QString> keywords_, builtins_;  // folded to lower case
};

}  // namespace zorvan::ui
