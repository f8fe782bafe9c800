#include "ui/frm_zorvan.h"

#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "eval/user_function.h"
#include "ui/slanted_line.h"

#include "../../resources/zorvan.xpm"

namespace zorvan::ui {

namespace {

QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The text boxes hold line breaks as LF; the system's texts use CR LF.
std::string withCrLf(const QString& text) {
  std::string out;
  const QByteArray utf8 = text.toUtf8();
  out.reserve(static_cast<std::size_t>(utf8.size()));
  for (char c : utf8) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

QString withLf(std::string_view text) {
  QString s = fromUtf8(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

void place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(px(left), px(top), px(width), px(height));
}

}  // namespace

ScriptControl::ScriptControl(QObject* parent) : QObject(parent) {
  setObjectName("ScriptControl1");
  setProperty("Language", QStringLiteral("VBScript"));
}

QIcon zorvanIcon() { return QIcon(QPixmap(zorvan_xpm)); }

frmZorvan::frmZorvan(std::unique_ptr<MessageBoxes> boxes, std::unique_ptr<Clock> clock)
    : boxes_(std::move(boxes)), clock_(std::move(clock)) {
  setObjectName("frmZorvan");
  setWindowTitle(QStringLiteral("Solve any single variable equation"));
  setWindowIcon(zorvanIcon());

  auto* client = new QWidget(this);
  client->setObjectName("clientArea");
  client->setFixedSize(px(5790), px(4260));
  setCentralWidget(client);

  lblUserFN = new QLabel(QStringLiteral("Write your function using basic math functions, operators and variable x"), client);
  lblUserFN->setObjectName("lblUserFN");
  place(lblUserFN, 240, 120, 5535, 255);

  txtInput = new QPlainTextEdit(client);
  txtInput->setObjectName("txtInput");
  place(txtInput, 120, 360, 5535, 975);
  txtInput->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtInput->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtInput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtInput->setTabChangesFocus(true);
  txtInput->setToolTip(QStringLiteral("MyFunction = f(x)"));
  txtInput->setPlainText(withLf(kStartText));

  Frame1 = new QGroupBox(QStringLiteral("Approach"), client);
  Frame1->setObjectName("Frame1");
  place(Frame1, 120, 1560, 5535, 1455);

  Option1[0] = new QRadioButton(QStringLiteral("Search within interval"), Frame1);
  Option1[0]->setObjectName("Option1_0");
  place(Option1[0], 360, 240, 1935, 255);
  Option1[1] = new QRadioButton(QStringLiteral("Start with approximation"), Frame1);
  Option1[1]->setObjectName("Option1_1");
  place(Option1[1], 3240, 240, 2175, 255);
  Option1[0]->setChecked(true);  // both are children of Frame1: one group

  Label1[0] = new QLabel(QStringLiteral("Lower bound"), Frame1);
  Label1[0]->setObjectName("Label1_0");
  place(Label1[0], 240, 600, 1095, 255);
  txtLower = new QLineEdit(Frame1);
  txtLower->setObjectName("txtLower");
  place(txtLower, 1320, 570, 855, 285);
  Label1[1] = new QLabel(QStringLiteral("Upper bound"), Frame1);
  Label1[1]->setObjectName("Label1_1");
  place(Label1[1], 240, 1080, 1095, 255);
  txtUpper = new QLineEdit(Frame1);
  txtUpper->setObjectName("txtUpper");
  place(txtUpper, 1320, 1050, 855, 285);

  txtApprox = new QLineEdit(Frame1);
  txtApprox->setObjectName("txtApprox");
  place(txtApprox, 3600, 600, 855, 285);
  chkNonNegative = new QCheckBox(QStringLiteral("Non-negative root"), Frame1);
  chkNonNegative->setObjectName("chkNonNegative");
  place(chkNonNegative, 3600, 1080, 1695, 255);
  chkNonNegative->setChecked(true);

  Line1 = new SlantedLine(QPointF(2888 / 15.0, 120 / 15.0), QPointF(2903 / 15.0, 1455 / 15.0), Frame1);
  Line1->setObjectName("Line1");

  cmdSolve = new QPushButton(QStringLiteral("Solve"), client);
  cmdSolve->setObjectName("cmdSolve");
  place(cmdSolve, 120, 3240, 735, 375);
  cmdSolve->setAutoDefault(false);

  txtResult = new QPlainTextEdit(client);
  txtResult->setObjectName("txtResult");
  place(txtResult, 960, 3240, 4695, 855);
  txtResult->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  txtResult->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtResult->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  txtResult->setTabChangesFocus(true);

  ScriptControl1 = new ScriptControl(this);
  command_ = std::make_unique<SolveCommand>(ScriptControl1->engine());

  for (QWidget* w : {static_cast<QWidget*>(lblUserFN), static_cast<QWidget*>(Label1[0]),
                     static_cast<QWidget*>(Label1[1]), static_cast<QWidget*>(Frame1)})
    w->setFocusPolicy(Qt::NoFocus);
  QWidget* order[] = {txtInput, Option1[0], Option1[1], txtLower, txtUpper, txtApprox, chkNonNegative, cmdSolve, txtResult};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  fitFontToLayout();
  connect(cmdSolve, &QPushButton::clicked, this, [this] { cmdSolve_Click(); });
  setFixedSize(sizeHint());
  txtInput->setFocus();
}

frmZorvan::~frmZorvan() = default;

// The layout is fixed in pixels and was drawn for a small face: step the
// default font down until every caption fits its control.
void frmZorvan::fitFontToLayout() {
  const QWidget* captioned[] = {lblUserFN, Option1[0], Option1[1], Label1[0], Label1[1], chkNonNegative, cmdSolve};
  QFont face = font();
  for (double size = face.pointSizeF(); size >= 6.0; size -= 0.5) {
    face.setPointSizeF(size);
    setFont(face);
    bool fits = true;
    for (const QWidget* w : captioned) fits = fits && w->sizeHint().width() <= w->width();
    if (fits) return;
  }
}

void frmZorvan::cmdSolve_Click() {
  const std::string function = withCrLf(txtInput->toPlainText());
  const std::string lower = txtLower->text().toStdString();
  const std::string upper = txtUpper->text().toStdString();
  const std::string approx = txtApprox->text().toStdString();
  SolveRequest request;
  request.functionText = function;
  request.intervalSelected = Option1[0]->isChecked();
  request.lowerText = lower;
  request.upperText = upper;
  request.approxText = approx;
  request.nonNegativeChecked = chkNonNegative->isChecked();
  command_->run(request, *this);
}

std::string frmZorvan::resultText() const { return withCrLf(txtResult->toPlainText()); }

void frmZorvan::appendResult(std::string_view text) {
  // The box is read and written as a whole; appending at its end is the same.
  QTextCursor end = txtResult->textCursor();
  end.movePosition(QTextCursor::End);
  end.insertText(withLf(text));
  txtResult->setTextCursor(end);
  txtResult->ensureCursorVisible();
}

void frmZorvan::showMessage(std::string_view text) { boxes_->show(this, fromUtf8(text)); }

}  // namespace zorvan::ui
