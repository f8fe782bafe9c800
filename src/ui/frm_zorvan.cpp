#include "ui/frm_zorvan.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QMenuBar>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "eval/user_function.h"
#include "ui/plot_window.h"
#include "ui/slanted_line.h"

#include "zorvan.xpm"  // rendered from resources/zorvan.svg at build time

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
  buildMenu();
  connect(cmdSolve, &QPushButton::clicked, this, [this] { cmdSolve_Click(); });
  progressDelay_ = new QTimer(this);
  progressDelay_->setSingleShot(true);
  progressDelay_->setInterval(500);
  connect(progressDelay_, &QTimer::timeout, this, [this] { showProgress(); });
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(100);
  connect(progressTimer_, &QTimer::timeout, this, [this] {
    if (progress_ != nullptr) progress_->setLabelText(QStringLiteral("Solving... %1 evaluations").arg(evaluations_.load()));
  });
  setFixedSize(sizeHint());
  txtInput->setFocus();
}

frmZorvan::~frmZorvan() { stopWorker(); }

void frmZorvan::buildMenu() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* quit = file->addAction(QStringLiteral("&Quit"));
  quit->setObjectName("actionQuit");
  quit->setShortcut(QKeySequence::Quit);
  quit->setMenuRole(QAction::QuitRole);
  connect(quit, &QAction::triggered, this, &QWidget::close);
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  QAction* plot = view->addAction(QStringLiteral("&Plot"));
  plot->setObjectName("actionPlot");
  plot->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  connect(plot, &QAction::triggered, this, [this] { showPlotWindow(); });
  auto* cancel = new QAction(this);
  cancel->setShortcut(QKeySequence(Qt::Key_Escape));
  connect(cancel, &QAction::triggered, this, [this] { cancelSolve(); });
  addAction(cancel);
}

PlotWindow* frmZorvan::showPlotWindow() {
  if (plot_ == nullptr) {
    plot_ = new PlotWindow(this);
    std::lock_guard lock(plotMutex_);
    if (lastPlot_) plot_->showPlot(*lastPlot_);
  }
  plot_->show();
  plot_->raise();
  return plot_;
}

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
  if (isSolving()) return;  // one Solve at a time
  auto request = std::make_shared<std::vector<std::string>>(std::vector<std::string>{
      withCrLf(txtInput->toPlainText()), txtLower->text().toStdString(), txtUpper->text().toStdString(),
      txtApprox->text().toStdString()});
  const bool interval = Option1[0]->isChecked();
  const bool nonNegative = chkNonNegative->isChecked();
  cancel_ = false;
  evaluations_ = 0;

  worker_ = QThread::create([this, request, interval, nonNegative] {
    const auto& texts = *request;
    SolveRequest r;
    r.functionText = texts[0];
    r.intervalSelected = interval;
    r.lowerText = texts[1];
    r.upperText = texts[2];
    r.approxText = texts[3];
    r.nonNegativeChecked = nonNegative;
    const SolveOutcome outcome = command_->run(r, *this);
    const SolveSummary& summary = command_->lastSummary();
    // A time-out or a cancel ends everything the Solve started: no picture is sampled then.
    if (outcome == SolveOutcome::Searched && !summary.cancelled && !closing_) {
      PlotData data = plotOfSolve(plotEngine_, texts[0], summary, [this] { return cancel_.load(); });
      std::lock_guard lock(plotMutex_);
      lastPlot_ = std::move(data);
    }
  });
  worker_->setObjectName("solver");
  worker_->setStackSize(16u * 1024 * 1024);  // room for the engine's deepest recursion
  connect(worker_, &QThread::finished, this, [this] { finishSolve(); });
  worker_->start();
  progressDelay_->start();
  progressTimer_->start();
}

void frmZorvan::showProgress() {
  if (!isSolving() || messageUp_) return;
  if (progress_ != nullptr) {
    progress_->show();
    return;
  }
  progress_ = new QProgressDialog(QStringLiteral("Solving..."), QStringLiteral("Cancel"), 0, 0, this);
  progress_->setObjectName("progress");
  progress_->setWindowTitle(QString::fromUtf8(kCaption.data(), static_cast<int>(kCaption.size())));
  progress_->setWindowModality(Qt::WindowModal);
  progress_->setMinimumDuration(0);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  connect(progress_, &QProgressDialog::canceled, this, [this] { cancelSolve(); });
  progress_->show();
}

void frmZorvan::cancelSolve() {
  if (!isSolving()) return;
  cancel_ = true;
  ScriptControl1->engine().interrupt();
  plotEngine_.interrupt();
}

void frmZorvan::finishSolve() {
  if (worker_ == nullptr) return;  // already collected on closing
  progressDelay_->stop();
  progressTimer_->stop();
  if (progress_ != nullptr) {
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
  }
  worker_->wait();
  worker_->deleteLater();
  worker_ = nullptr;
  if (closing_) return;
  if (command_->lastSummary().cancelled) boxes_->show(this, QStringLiteral("SEARCH CANCELLED"));
  if (plot_ != nullptr) {
    std::lock_guard lock(plotMutex_);
    if (lastPlot_) plot_->showPlot(*lastPlot_);
  }
}

void frmZorvan::stopWorker() {
  if (worker_ == nullptr) return;
  closing_ = true;
  cancelSolve();
  boxes_->dismiss();
  // A box the search is waiting for is answered by closing_; keep the queue moving meanwhile.
  while (!worker_->wait(10)) QCoreApplication::processEvents();
  delete worker_;
  worker_ = nullptr;
}

void frmZorvan::closeEvent(QCloseEvent* e) {
  stopWorker();
  QMainWindow::closeEvent(e);
}

bool frmZorvan::cancelRequested() {
  ++evaluations_;
  return cancel_.load();
}

std::string frmZorvan::resultText() const { return withCrLf(txtResult->toPlainText()); }

void frmZorvan::appendResult(const ReportedRoot& root) {
  QMetaObject::invokeMethod(this, [this, line = withLf(root.line)] { appendToResults(line); }, Qt::QueuedConnection);
}

void frmZorvan::appendToResults(const QString& text) {
  // The box is read and written as a whole; appending at its end is the same.
  QTextCursor end = txtResult->textCursor();
  end.movePosition(QTextCursor::End);
  end.insertText(text);
  txtResult->setTextCursor(end);
  txtResult->ensureCursorVisible();
}

void frmZorvan::showMessage(std::string_view text) {
  // The search waits for OK, as it would on the window's own thread.
  QMetaObject::invokeMethod(
      this, [this, message = fromUtf8(text)] {
        if (closing_) return;
        // The box, not the progress box, is what the user answers: hide the
        // progress while it is up, and give it its half second again after.
        messageUp_ = true;
        progressDelay_->stop();
        if (progress_ != nullptr) progress_->hide();
        boxes_->show(this, message);
        messageUp_ = false;
        if (isSolving() && !closing_) progressDelay_->start();
      },
      Qt::BlockingQueuedConnection);
}

}  // namespace zorvan::ui
