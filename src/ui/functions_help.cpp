#include "ui/functions_help.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "eval/language.h"

namespace zorvan::ui {

namespace {
QString html(const std::string& s) { return QString::fromStdString(s).toHtmlEscaped(); }
}  // namespace

QString FunctionsHelp::page() {
  QString out = QStringLiteral("<p>Write f as VBScript that assigns <b>MyFunction</b> in terms of <b>x</b>, "
                               "for example <tt>MyFunction = x^2 - Sqr(x + 1)</tt>. Angles are in radians.</p>"
                               "<h3>Functions</h3><table cellspacing='4'>");
  for (const FunctionHelp& f : languageFunctions())
    out += QStringLiteral("<tr><td><tt><b>%1</b>(%2)</tt></td><td>%3</td></tr>")
               .arg(html(f.name), html(f.arguments), html(f.summary));
  out += QStringLiteral("</table><h3>Operators</h3><table cellspacing='4'>");
  for (const auto& [op, what] : languageOperators())
    out += QStringLiteral("<tr><td><tt><b>%1</b></tt></td><td>%2</td></tr>").arg(html(op), html(what));
  out += QStringLiteral("</table><h3>Constants</h3><p><tt>");
  QStringList constants;
  for (const std::string& c : languageConstants()) constants << html(c);
  out += constants.join(QStringLiteral(", ")) + QStringLiteral("</tt></p>");
  return out;
}

FunctionsHelp::FunctionsHelp(QWidget* parent) : QDialog(parent) {
  setObjectName("FunctionsHelp");
  setWindowTitle(QStringLiteral("Functions - Zorvan"));
  auto* text = new QTextBrowser(this);
  text->setObjectName("functionsText");
  text->setAccessibleName(QStringLiteral("Functions"));
  text->setHtml(page());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(buttons);
  const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
  resize(46 * em, 34 * fontMetrics().height());
}

}  // namespace zorvan::ui
