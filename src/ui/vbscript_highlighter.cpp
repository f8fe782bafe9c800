#include "ui/vbscript_highlighter.h"

#include "eval/language.h"

namespace zorvan::ui {

VBScriptHighlighter::VBScriptHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  for (const std::string& k : languageKeywords()) keywords_.insert(QString::fromStdString(k));
  for (const FunctionHelp& f : languageFunctions()) builtins_.insert(QString::fromStdString(f.name).toLower());
  for (const std::string& c : languageConstants()) builtins_.insert(QString::fromStdString(c).toLower());
  builtins_.insert(QStringLiteral("err"));
  const auto make = [this](Kind kind, QColor colour, bool bold = false, bool italic = false) {
    QTextCharFormat& f = formats_[static_cast<int>(kind)];
    f.setForeground(colour);
    if (bold) f.setFontWeight(QFont::Bold);
    f.setFontItalic(italic);
  };
  make(Kind::Keyword, QColor(0x00, 0x33, 0x99), true);
  make(Kind::Builtin, QColor(0x80, 0x20, 0x80));
  make(Kind::Number, QColor(0xa0, 0x50, 0x00));
  make(Kind::String, QColor(0x10, 0x80, 0x10));
  make(Kind::Comment, QColor(0x70, 0x70, 0x70), false, true);
  make(Kind::Function, QColor(0xb0, 0x10, 0x10), true);
}

void VBScriptHighlighter::highlightBlock(const QString& text) {
  const qsizetype n = text.size();
  qsizetype i = 0;
  const auto isWordStart = [](QChar c) { return c.isLetter(); };
  const auto isWordChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
  while (i < n) {
    const QChar c = text[i];
    if (c == QLatin1Char('\'')) {
      setFormat(static_cast<int>(i), static_cast<int>(n - i), format(Kind::Comment));
      return;
    }
    if (c == QLatin1Char('"')) {
      // To the closing quote; "" inside stands for one quote.
      qsizetype j = i + 1;
      while (j < n) {
        if (text[j] != QLatin1Char('"')) {
          ++j;
        } else if (j + 1 < n && text[j + 1] == QLatin1Char('"')) {
          j += 2;
        } else {
          ++j;
          break;
        }
      }
      setFormat(static_cast<int>(i), static_cast<int>(j - i), format(Kind::String));
      i = j;
      continue;
    }
    if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && text[i + 1].isDigit())) {
      qsizetype j = i;
      while (j < n && (text[j].isDigit() || text[j] == QLatin1Char('.'))) ++j;
      if (j < n && (text[j] == QLatin1Char('E') || text[j] == QLatin1Char('e'))) {
        qsizetype k = j + 1;
        if (k < n && (text[k] == QLatin1Char('+') || text[k] == QLatin1Char('-'))) ++k;
        if (k < n && text[k].isDigit()) {
          j = k;
          while (j < n && text[j].isDigit()) ++j;
        }
      }
      setFormat(static_cast<int>(i), static_cast<int>(j - i), format(Kind::Number));
      i = j;
      continue;
    }
    if (isWordStart(c)) {
      qsizetype j = i;
      while (j < n && isWordChar(text[j])) ++j;
      const QString word = text.mid(i, j - i).toLower();
      // A word right after a period is a member (Err.Number), not a keyword.
      const bool member = i > 0 && text[i - 1] == QLatin1Char('.');
      if (!member && word == QLatin1String("rem")) {
        setFormat(static_cast<int>(i), static_cast<int>(n - i), format(Kind::Comment));
        return;
      }
      if (!member && keywords_.contains(word)) setFormat(static_cast<int>(i), static_cast<int>(j - i), format(Kind::Keyword));
      else if (!member && builtins_.contains(word)) setFormat(static_cast<int>(i), static_cast<int>(j - i), format(Kind::Builtin));
      else if (!member && (word == QLatin1String("myfunction") || word == QLatin1String("x")))
        setFormat(static_cast<int>(i), static_cast<int>(j - i), format(Kind::Function));
      i = j;
      continue;
    }
    ++i;
  }
}

}  // namespace zorvan::ui
