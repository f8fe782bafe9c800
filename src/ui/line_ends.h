#pragma once
// The text boxes hold line breaks as LF; the system's texts and function
// files use CR LF. Conversions both ways, in one place.

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace zorvan::ui {

inline QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A box's text as UTF-8 with CR LF line ends.
inline QByteArray withCrLfUtf8(const QString& text) {
  QByteArray out = text.toUtf8();
  out.replace('\n', "\r\n");
  return out;
}
inline std::string withCrLf(const QString& text) { return withCrLfUtf8(text).toStdString(); }

// UTF-8 text for a box: CR LF, and a CR alone, each become LF; bytes that
// are not UTF-8 become U+FFFD.
inline QString withLf(std::string_view utf8) {
  QString s = fromUtf8(utf8);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

}  // namespace zorvan::ui
