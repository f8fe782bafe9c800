#include "ui/frm_zorvan.h"

#include "ui/form_layout.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <algorithm>
#include <cmath>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QFontDatabase>
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
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QStyle>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWindow>

#include "common/leading_number.h"
#include "common/number_text.h"
#include "eval/user_function.h"
#include "eval/language.h"
#include "ui/code_editor.h"
#include "ui/examples.h"
#include "ui/form_fit.h"
#include "ui/functions_help.h"
#include "ui/line_ends.h"
#include "ui/vbscript_highlighter.h"
#include "ui/plot_window.h"
#include "ui/slanted_line.h"

#include "zorvan.xpm"  // rendered from resources/zorvan.svg at build time

namespace zorvan::ui {

namespace {

// A box shows at most this much of a text (a description can be a string of
// millions of characters, which a box would take minutes to lay out).
constexpr std::size_t kMostInABox = 3000;

QString boxText(std::string_view text) {
  if (text.size() <= kMostInABox) return fromUtf8(text);
  std::size_t cut = kMostInABox;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
  return fromUtf8(text.substr(0, cut)) + QStringLiteral("…");
}

// An editing action on whichever text box has the keyboard focus.
template <auto OnLine, auto OnBox>
void onFocusedBox() {
  QWidget* focus = QApplication::focusWidget();
  if (auto* line = qobject_cast<QLineEdit*>(focus)) (line->*OnLine)();
  else if (auto* box = qobject_cast<QPlainTextEdit*>(focus)) (box->*OnBox)();
}

}  // namespace

QIcon zorvanIcon() { return QIcon(QPixmap(zorvan_xpm)); }

frmZorvan::frmZorvan(std::unique_ptr<MessageBoxes> boxes, std::unique_ptr<Clock> clock)
    : boxes_(std::move(boxes)), clock_(std::move(clock)) {
  setObjectName("frmZorvan");
  setWindowTitle(QStringLiteral("Solve any single variable equation"));
  setWindowIcon(zorvanIcon());

  auto* client = client_ = new QWidget(this);
  client->setObjectName("clientArea");
  setCentralWidget(client);

  lblUserFN = new QLabel(QStringLiteral("Write your function using basic math functions, operators and variable &x"), client);
  lblUserFN->setObjectName("lblUserFN");

  txtInput = new CodeEditor(client);
  txtInput->setObjectName("txtInput");
  txtInput->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtInput->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtInput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Tab indents in the function box; Ctrl+Tab leaves it.
  txtInput->setTabChangesFocus(false);
  txtInput->setToolTip(QStringLiteral("MyFunction = f(x)"));
  new VBScriptHighlighter(txtInput->document());
  txtInput->setPlainText(withLf(kStartText));

  Frame1 = new QGroupBox(QStringLiteral("A&pproach"), client);
  Frame1->setObjectName("Frame1");

  Option1[0] = new QRadioButton(QStringLiteral("Search within &interval"), Frame1);
  Option1[0]->setObjectName("Option1_0");
  Option1[1] = new QRadioButton(QStringLiteral("Start with &approximation"), Frame1);
  Option1[1]->setObjectName("Option1_1");
  Option1[0]->setChecked(true);  // both are children of Frame1: one group

  Label1[0] = new QLabel(QStringLiteral("&Lower bound"), Frame1);
  Label1[0]->setObjectName("Label1_0");
  txtLower = new QLineEdit(Frame1);
  txtLower->setObjectName("txtLower");
  Label1[1] = new QLabel(QStringLiteral("&Upper bound"), Frame1);
  Label1[1]->setObjectName("Label1_1");
  txtUpper = new QLineEdit(Frame1);
  txtUpper->setObjectName("txtUpper");

  txtApprox = new QLineEdit(Frame1);
  txtApprox->setObjectName("txtApprox");
  chkNonNegative = new QCheckBox(QStringLiteral("&Non-negative root"), Frame1);
  chkNonNegative->setObjectName("chkNonNegative");
  chkNonNegative->setChecked(true);

  Line1 = new SlantedLine(QPointF(), QPointF(), Frame1);
  Line1->setObjectName("Line1");

  cmdSolve = new QPushButton(QStringLiteral("&Solve"), client);
  cmdSolve->setObjectName("cmdSolve");
  // The default button: Enter in a number box, or on the button, solves.
  cmdSolve->setDefault(true);
  cmdSolve->installEventFilter(this);

  txtResult = new QPlainTextEdit(client);
  txtResult->setObjectName("txtResult");
  txtResult->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  txtResult->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtResult->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  txtResult->setTabChangesFocus(true);

  for (const ControlPlace& c : kFormLayout) place(client->findChild<QWidget*>(c.name), c.left, c.top, c.width, c.height);
  lblUserFN->setBuddy(txtInput);
  Label1[0]->setBuddy(txtLower);
  Label1[1]->setBuddy(txtUpper);
  for (QLineEdit* box : {txtLower, txtUpper, txtApprox})
    connect(box, &QLineEdit::returnPressed, cmdSolve, &QPushButton::click);
  describeForAccessibility();
  for (QLineEdit* box : {txtLower, txtUpper, txtApprox})
    connect(box, &QLineEdit::textChanged, this, [this] { markNumberBoxes(); });
  connect(Option1[0], &QRadioButton::toggled, this, [this] { markNumberBoxes(); });
  markNumberBoxes();

  command_ = std::make_unique<SolveCommand>(ScriptControl1);

  for (QWidget* w : {static_cast<QWidget*>(lblUserFN), static_cast<QWidget*>(Label1[0]),
                     static_cast<QWidget*>(Label1[1]), static_cast<QWidget*>(Frame1)})
    w->setFocusPolicy(Qt::NoFocus);
  QWidget* order[] = {txtInput, Option1[0], Option1[1], txtLower, txtUpper, txtApprox, chkNonNegative, cmdSolve, txtResult};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  buildMenu();
  connect(cmdSolve, &QPushButton::clicked, this, [this] { cmdSolve_Click(); });
  // A function file dropped on the window, or on the function box, opens.
  setAcceptDrops(true);
  txtInput->viewport()->installEventFilter(this);
  connect(txtInput->document(), &QTextDocument::modificationChanged, this, [this] { updateTitle(); });
  useFixedPitchFont();
  progressDelay_ = new QTimer(this);
  progressDelay_->setSingleShot(true);
  progressDelay_->setInterval(500);
  connect(progressDelay_, &QTimer::timeout, this, [this] { showProgress(); });
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(100);
  connect(progressTimer_, &QTimer::timeout, this, [this] { updateProgress(); });
  fitToScreen();
  txtInput->setFocus();
}

frmZorvan::~frmZorvan() {
  stopPreview();
  stopWorker();
}

void frmZorvan::buildMenu() {
  const auto action = [this](QMenu* menu, const QString& text, const char* name, auto slot) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromUtf8(name));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  action(file, QStringLiteral("&New"), "actionNew", [this] { newFile(); })->setShortcut(QKeySequence::New);
  action(file, QStringLiteral("&Open..."), "actionOpen", [this] { openAsked(); })->setShortcut(QKeySequence::Open);
  QMenu* recent = file->addMenu(QStringLiteral("Open &Recent"));
  recent->setObjectName("menuRecent");
  connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(recent); });
  fillRecentMenu(recent);
  QMenu* samples = file->addMenu(QStringLiteral("&Examples"));
  samples->setObjectName("menuExamples");
  for (const Example& e : examples())
    samples->addAction(QString::fromUtf8(e.title), this, [this, &e] { chooseExample(e); });
  file->addSeparator();
  action(file, QStringLiteral("&Save"), "actionSave", [this] { saveFile(); })->setShortcut(QKeySequence::Save);
  action(file, QStringLiteral("Save &As..."), "actionSaveAs", [this] { saveAsked(); })->setShortcut(QKeySequence::SaveAs);
  file->addSeparator();
  QAction* quit = action(file, QStringLiteral("&Quit"), "actionQuit", [this] { close(); });
  quit->setShortcut(QKeySequence::Quit);
  quit->setMenuRole(QAction::QuitRole);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  // The text box with the keyboard focus does the editing. Its own shortcuts
  // take the keys first, so the menu's serve the menu and the mouse.
  struct EditAction {
    const char* text;
    const char* name;
    QKeySequence::StandardKey key;
    void (*apply)();
  };
  const EditAction editing[] = {
      {"&Undo", "actionUndo", QKeySequence::Undo, &onFocusedBox<&QLineEdit::undo, &QPlainTextEdit::undo>},
      {"Re&do", "actionRedo", QKeySequence::Redo, &onFocusedBox<&QLineEdit::redo, &QPlainTextEdit::redo>},
      {"Cu&t", "actionCut", QKeySequence::Cut, &onFocusedBox<&QLineEdit::cut, &QPlainTextEdit::cut>},
      {"&Copy", "actionCopy", QKeySequence::Copy, &onFocusedBox<&QLineEdit::copy, &QPlainTextEdit::copy>},
      {"&Paste", "actionPaste", QKeySequence::Paste, &onFocusedBox<&QLineEdit::paste, &QPlainTextEdit::paste>},
      {"Select &All", "actionSelectAll", QKeySequence::SelectAll,
       &onFocusedBox<&QLineEdit::selectAll, &QPlainTextEdit::selectAll>},
  };
  for (const EditAction& e : editing) {
    action(edit, QString::fromUtf8(e.text), e.name, e.apply)->setShortcut(e.key);
    if (e.key == QKeySequence::Redo || e.key == QKeySequence::Paste) edit->addSeparator();
  }
  edit->addSeparator();
  action(edit, QStringLiteral("Copy &Results"), "actionCopyResults", [this] {
    QGuiApplication::clipboard()->setText(txtResult->toPlainText());
  })->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  // The user's own action: the search itself never clears the box.
  action(edit, QStringLiteral("C&lear Results"), "actionClearResults", [this] { txtResult->clear(); });

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  // Ctrl+P is Print's everywhere else; G for graph.
  action(view, QStringLiteral("&Plot"), "actionPlot", [this] { showPlotWindow(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  action(help, QStringLiteral("&Functions"), "actionFunctions", [this] {
    auto* page = findChild<FunctionsHelp*>();
    if (page == nullptr) page = new FunctionsHelp(this);
    page->show();
    page->raise();
  })->setShortcut(QKeySequence::HelpContents);
  action(help, QStringLiteral("&About Zorvan"), "actionAbout", [this] { showAbout(); })->setMenuRole(QAction::AboutRole);
  action(help, QStringLiteral("About &Qt"), "actionAboutQt", [] { QApplication::aboutQt(); })
      ->setMenuRole(QAction::AboutQtRole);

  auto* cancel = new QAction(this);
  cancel->setShortcut(QKeySequence(Qt::Key_Escape));
  connect(cancel, &QAction::triggered, this, [this] { cancelSolve(); });
  addAction(cancel);
}

void frmZorvan::showAbout() {
  QMessageBox::about(this, QStringLiteral("About Zorvan"),
                     QStringLiteral("<h3>Zorvan %1</h3>"
                                    "<p>Finds the real roots of an equation f(x) = 0. Write f as VBScript that "
                                    "assigns MyFunction in terms of x, choose an interval or a starting "
                                    "approximation, and press Solve.</p>"
                                    "<p>Released under the MIT licence.</p>"
                                    "<p>Built with Qt %2, running on Qt %3.</p>")
                         .arg(QCoreApplication::applicationVersion().isEmpty() ? QStringLiteral(ZORVAN_VERSION)
                                                                                : QCoreApplication::applicationVersion(),
                              QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion())));
}

PlotWindow* frmZorvan::showPlotWindow() {
  const bool opening = plot_ == nullptr || !plot_->isVisible();
  if (plot_ == nullptr) {
    plot_ = new PlotWindow(this);
    // Closing the picture stops a preview still sampling it.
    plot_->onClose = [this] { stopPreview(); };
  }
  if (opening) {
    std::lock_guard lock(plotMutex_);
    if (lastPlot_) plot_->showPlot(*lastPlot_);
    else if (!isSolving()) startPreview();  // the function and bounds as they now stand
  }
  plot_->show();
  plot_->raise();
  return plot_;
}

bool frmZorvan::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtInput->viewport() && (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop) &&
      acceptsDrop(event)) {
    if (event->type() == QEvent::DragEnter) dragEnterEvent(static_cast<QDragEnterEvent*>(event));
    else dropEvent(static_cast<QDropEvent*>(event));
    return true;
  }
  if (watched == cmdSolve && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      cmdSolve->click();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void frmZorvan::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // A new font or style: the layout follows it.
  if (event->type() == QEvent::FontChange) useFixedPitchFont();
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) fitToScreen();
}

// The function box: the desktop's fixed-pitch font, at the size of the form's.
void frmZorvan::useFixedPitchFont() {
  if (txtInput == nullptr) return;
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (font().pointSizeF() > 0) fixed.setPointSizeF(font().pointSizeF());
  else fixed.setPixelSize(font().pixelSize());
  txtInput->setFont(fixed);
}

void frmZorvan::describeForAccessibility() {
  struct Description {
    QWidget* widget;
    const char* name;
    const char* description;
  };
  const Description all[] = {
      {lblUserFN, "Instructions", "How to write the function"},
      {txtInput, "Function", "VBScript that assigns MyFunction in terms of x"},
      {Frame1, "Approach", "How to look for a root"},
      {Option1[0], "Search within interval", "Look for every root between the lower and the upper bound"},
      {Option1[1], "Start with approximation", "Iterate from one starting value to one root"},
      {Label1[0], "Lower bound", "Label of the lower bound"},
      {txtLower, "Lower bound", "One end of the interval to search"},
      {Label1[1], "Upper bound", "Label of the upper bound"},
      {txtUpper, "Upper bound", "The other end of the interval to search"},
      {txtApprox, "Approximation", "The starting value of the iteration"},
      {chkNonNegative, "Non-negative root", "From a start of 0, look for a root at or above 0"},
      {cmdSolve, "Solve", "Look for roots with the chosen approach"},
      {txtResult, "Results", "One line for each root found: the root rounded to five decimals and f there"},
  };
  for (const Description& d : all) {
    d.widget->setAccessibleName(QString::fromUtf8(d.name));
    d.widget->setAccessibleDescription(QString::fromUtf8(d.description));
    // The function box keeps its own tip, "MyFunction = f(x)"; a label's tip is its box's.
    if (d.widget != txtInput && qobject_cast<QLabel*>(d.widget) == nullptr)
      d.widget->setToolTip(QString::fromUtf8(d.description));
  }
  lblUserFN->setToolTip(txtInput->toolTip());
  Label1[0]->setToolTip(txtLower->toolTip());
  Label1[1]->setToolTip(txtUpper->toolTip());
}

// A number box of the chosen approach whose text is not one plain number
// says, by a mark and its tip, how Solve will read it. Solve reads it the
// same whatever the mark says.
void frmZorvan::markNumberBoxes() {
  const bool interval = Option1[0]->isChecked();
  for (QLineEdit* box : {txtLower, txtUpper, txtApprox}) {
    const bool read = (box == txtApprox) != interval;
    const QString note = read ? fromUtf8(numberBoxNote(readNumberBox(box->text().toStdString()))) : QString();
    QAction* mark = box->findChild<QAction*>(QStringLiteral("readingMark"));
    if (mark == nullptr) {
      mark = box->addAction(style()->standardIcon(QStyle::SP_MessageBoxWarning), QLineEdit::TrailingPosition);
      mark->setObjectName(QStringLiteral("readingMark"));
    }
    mark->setVisible(!note.isEmpty());
    mark->setToolTip(note);
    box->setProperty("readingNote", note);
    box->setToolTip(note.isEmpty() ? box->accessibleDescription() : note);
  }
}

void frmZorvan::place(QWidget* w, int left, int top, int width, int height) {
  placements_.push_back({w, QRect(left, top, width, height)});
}

int frmZorvan::px(int twips) const { return static_cast<int>(std::lround(twips * pixelsPerTwip_)); }

// The layout keeps its proportions and the user's font: one factor for the
// whole form, the 96 dpi one or as much more as the widest caption or the
// tallest single-line control needs. Where the screen is shorter than that
// form, the function and results boxes give up height (they scroll).
void frmZorvan::scaleLayoutToFont(QSize room, int grid) {
  double factor = kPixelsPerTwip;
  for (const Placement& p : placements_) {
    const QSize need = textNeed(p.widget);
    factor = std::max({factor, need.width() / static_cast<double>(p.twips.width()),
                       need.height() / static_cast<double>(p.twips.height())});
  }
  // The frame's title sits above its first row of controls.
  const int title = Frame1->fontMetrics().height();
  factor = std::max(factor, (title + 2) / 240.0);

  const auto textBoxFloor = [](const QPlainTextEdit* box, int lines, const QScrollBar* below) {
    const int frame = 2 * box->frameWidth() + 8;
    return lines * box->fontMetrics().lineSpacing() + frame + (below != nullptr ? below->sizeHint().height() : 0);
  };
  pixelsPerTwip_ = factor;
  const int over = px(4260) - room.height();
  const int inputSpare = std::max(0, px(975) - textBoxFloor(txtInput, 3, txtInput->horizontalScrollBar()));
  const int resultSpare = std::max(0, px(855) - std::max(px(375), textBoxFloor(txtResult, 2, nullptr)));
  inputShrink_ = std::clamp(over, 0, inputSpare);
  resultShrink_ = std::clamp(over - inputShrink_, 0, resultSpare);

  // At a fractional scale only every few logical pixels fall on a device
  // pixel: edges between them would lose a text box's frame line.
  const auto snap = [grid](int v) { return (v + grid / 2) / grid * grid; };
  const auto snapUp = [grid](int v) { return (v + grid - 1) / grid * grid; };
  // There a scrolling box's one-pixel frame falls half under its viewport
  // and scroll bars, which are painted over it: such a box draws a frame of
  // two pixels of its own, in the colour of the style's frames.
  for (QPlainTextEdit* box : {static_cast<QPlainTextEdit*>(txtInput), txtResult}) {
    if (grid > 1) {
      QPalette palette = box->palette();
      palette.setColor(QPalette::WindowText, palette.color(QPalette::Mid));
      box->setPalette(palette);
      box->setFrameStyle(QFrame::Box | QFrame::Plain);
      box->setLineWidth(2);
    } else {
      box->setPalette(QPalette());
      box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
  }
  for (const Placement& p : placements_) {
    QRect r(px(p.twips.left()), px(p.twips.top()), px(p.twips.width()), px(p.twips.height()));
    if (p.widget->parentWidget() == client_ && p.twips.top() > 1335) r.translate(0, -inputShrink_);
    if (p.widget == txtInput) r.setHeight(r.height() - inputShrink_);
    if (p.widget == txtResult) r.setHeight(r.height() - resultShrink_);
    p.widget->setGeometry(QRect(QPoint(snap(r.left()), snap(r.top())), QPoint(snapUp(r.right() + 1) - 1, snapUp(r.bottom() + 1) - 1)));
  }
  Line1->setLine(QPointF(2888 * pixelsPerTwip_, 120 * pixelsPerTwip_), QPointF(2903 * pixelsPerTwip_, 1455 * pixelsPerTwip_));
  client_->setFixedSize(snapUp(px(5790)), snapUp(px(4260) - inputShrink_ - resultShrink_));
}

// The layout for the current font and screen, and the window wholly on that
// screen, title bar included.
void frmZorvan::fitToScreen() {
  if (Line1 == nullptr) return;
  // The menu bar too ends on a whole device pixel, so that the form below it starts on one.
  const int grid = pixelGrid(devicePixelRatioF());
  const int menu = (menuBar()->sizeHint().height() + grid - 1) / grid * grid;
  menuBar()->setFixedHeight(menu);
  const QSize room = roomForClient(this, menu);
  scaleLayoutToFont(room, grid);
  // Where even that is too large for the screen, the form scrolls inside a
  // window of the screen's size rather than cut a caption.
  const QSize need = client_->size();
  const bool fits = need.width() <= room.width() && need.height() <= room.height();
  if (!fits && scroller_ == nullptr) {
    takeCentralWidget();
    scroller_ = new QScrollArea;
    scroller_->setObjectName("clientScroller");
    scroller_->setFrameShape(QFrame::NoFrame);
    scroller_->setWidget(client_);
    setCentralWidget(scroller_);
  } else if (fits && scroller_ != nullptr) {
    takeCentralWidget();
    scroller_->takeWidget();
    delete scroller_;
    scroller_ = nullptr;
    setCentralWidget(client_);
  }
  if (scroller_ != nullptr) setFixedSize(std::min(need.width(), room.width()), std::min(need.height(), room.height()) + menu);
  else setFixedSize(need.width(), need.height() + menu);
  if (!isVisible() || screen() == nullptr) return;
  const QRect available = screen()->availableGeometry();
  const QMargins frame = frameExtents(this);
  const QRect outer = geometry().marginsAdded(frame);
  QPoint to = outer.topLeft();
  to.setX(std::clamp(to.x(), available.left(), std::max(available.left(), available.right() + 1 - outer.width())));
  to.setY(std::clamp(to.y(), available.top(), std::max(available.top(), available.bottom() + 1 - outer.height())));
  if (to != outer.topLeft()) move(to);
}

void frmZorvan::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The window manager's frame is known only once the window is mapped.
  QTimer::singleShot(50, this, [this] { fitToScreen(); });
  if (!screenWatched_ && windowHandle() != nullptr) {
    screenWatched_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this] { fitToScreen(); });
  }
}

void frmZorvan::cmdSolve_Click() {
  if (isSolving()) return;  // one Solve at a time
  SolveRequest request{withCrLf(txtInput->toPlainText()), Option1[0]->isChecked(), txtLower->text().toStdString(),
                       txtUpper->text().toStdString(), txtApprox->text().toStdString(), chkNonNegative->isChecked()};
  cancel_ = false;
  evaluations_ = 0;
  attempt_ = pass_ = sweep_ = cell_ = 0;
  passStart_ = 0;
  intervalSolve_ = request.intervalSelected;
  elapsed_.start();

  worker_ = QThread::create([this, r = std::move(request)] {
    const SolveOutcome outcome = command_->run(r, *this);
    const SolveSummary& summary = command_->lastSummary();
    // A time-out or a cancel ends everything the Solve started: no picture is sampled then.
    if (outcome == SolveOutcome::Searched && !summary.cancelled && !closing_) {
      PlotData data = plotOfSolve(plotEngine_, r.functionText, summary, [this] { return cancel_.load(); });
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
  // Not modal: a window a modal box blocks never hears its close button.
  progress_->setWindowModality(Qt::NonModal);
  progress_->setMinimumDuration(0);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  connect(progress_, &QProgressDialog::canceled, this, [this] { cancelSolve(); });
  // Escape reaches a box that is not yet the active window as a plain
  // rejection, which hides it: that too is the user's cancel.
  connect(progress_, &QDialog::rejected, this, [this] { cancelSolve(); });
  updateProgress();
  progress_->show();
}

void frmZorvan::cancelSolve() {
  if (!isSolving()) return;
  cancel_ = true;
  ScriptControl1.interrupt();
  plotEngine_.interrupt();
}

// Before any Solve: the function in the box over the bounds in the boxes, or
// over -10 to 10 where they give no interval. Sampled off the window's
// thread as a Solve's picture is, so that the window answers whatever f does.
void frmZorvan::startPreview() {
  if (previewWorker_ != nullptr) return;
  double from = -10, to = 10;
  try {
    const double lower = leadingNumber(txtLower->text().toStdString());
    const double upper = leadingNumber(txtUpper->text().toStdString());
    if (lower != upper) from = std::min(lower, upper), to = std::max(lower, upper);
  } catch (const ScriptError&) {
  }
  previewStop_ = false;
  previewWorker_ = QThread::create([this, text = withCrLf(txtInput->toPlainText()), from, to] {
    PlotData data = samplePlot(previewEngine_, text, from, to, {}, 400, [this] { return previewStop_.load(); });
    QMetaObject::invokeMethod(
        this,
        [this, data = std::move(data)] {
          std::lock_guard lock(plotMutex_);
          if (plot_ != nullptr && !previewStop_ && !lastPlot_) plot_->showPlot(data);
        },
        Qt::QueuedConnection);
  });
  previewWorker_->setObjectName("preview");
  previewWorker_->setStackSize(16u * 1024 * 1024);  // room for the engine's deepest recursion
  connect(previewWorker_, &QThread::finished, this, [this] {
    if (previewWorker_ == nullptr) return;  // already collected
    previewWorker_->wait();
    previewWorker_->deleteLater();
    previewWorker_ = nullptr;
  });
  previewWorker_->start();
}

void frmZorvan::stopPreview() {
  if (previewWorker_ == nullptr) return;
  previewStop_ = true;
  previewEngine_.interrupt();
  previewWorker_->wait();
  delete previewWorker_;
  previewWorker_ = nullptr;
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
  // The user asked to close during the search: the window goes now that it has ended.
  if (closing_) {
    close();
    return;
  }
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
  if (!closing_ && !keepOrDropChanges()) {
    e->ignore();
    return;
  }
  if (isSolving()) {
    // The request may come from inside a box's own loop, which the search
    // waits for: end the search, answer the box, and close when the search
    // has returned (finishSolve), within a second. The window goes at once.
    closing_ = true;
    cancelSolve();
    stopPreview();
    boxes_->dismiss();
    hide();
    if (plot_ != nullptr) plot_->hide();
    e->ignore();
    return;
  }
  stopPreview();
  if (plot_ != nullptr) plot_->close();
  QMainWindow::closeEvent(e);
}

void frmZorvan::searchAt(const SearchPosition& position) {
  if (position.cell == 0) passStart_ = evaluations_.load();
  cell_ = position.cell;
  attempt_ = position.attempt;
  pass_ = position.pass;
  sweep_ = position.sweep;
}

void frmZorvan::updateProgress() {
  if (progress_ == nullptr) return;
  SearchPosition at;
  at.interval = intervalSolve_;
  at.attempt = attempt_.load();
  at.pass = pass_.load();
  at.sweep = sweep_.load();
  QString where;
  if (at.interval && at.attempt > 0)
    where = QStringLiteral("Attempt %1 of %2, pass %3 of %4").arg(at.attempt).arg(SearchPosition::kAttempts).arg(at.pass).arg(SearchPosition::kPasses);
  else if (!at.interval && at.sweep > 0)
    where = QStringLiteral("Sweep %1 of %2").arg(at.sweep).arg(SearchPosition::kSweeps);
  else
    where = QStringLiteral("Starting");
  const long n = evaluations_.load();
  const qint64 seconds = elapsed_.elapsed() / 1000;
  progress_->setLabelText(QStringLiteral("Solving... %1\n%2 %3\n%4:%5 elapsed")
                              .arg(where, fromUtf8(writeGrouped(n)), n == 1 ? QStringLiteral("evaluation") : QStringLiteral("evaluations"))
                              .arg(seconds / 60)
                              .arg(seconds % 60, 2, 10, QChar('0')));
  // Within a pass, half for its samples and half for the scan through them;
  // within a sweep, its iterations.
  constexpr int kSteps = 100;
  const double since = static_cast<double>(n - passStart_.load());
  const int cell = cell_.load();
  const double part = !at.interval ? since / SearchPosition::kSweepSteps
                      : cell == 0   ? 0.5 * since / SearchPosition::kSamples
                                    : 0.5 + 0.5 * cell / SearchPosition::kSamples;
  const int done = std::clamp(static_cast<int>(kSteps * (at.done() + std::min(part, 1.0))), 0, kSteps * at.most());
  if (progress_->maximum() != kSteps * at.most()) progress_->setMaximum(kSteps * at.most());
  if (progress_->value() != done) progress_->setValue(done);
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

namespace {

// For an error that names a name the engine does not know, the built-in it
// most likely stands for: "Did you mean Sqr?".
QString hintFor(const ScriptError& e) {
  static const QRegularExpression kQuoted(QStringLiteral("'([A-Za-z][A-Za-z0-9_]*)'$"));
  const QRegularExpressionMatch m = kQuoted.match(QString::fromStdString(e.description));
  if (!m.hasMatch()) return {};
  const std::string likely = likelyBuiltin(m.captured(1).toStdString());
  return likely.empty() ? QString() : QStringLiteral("Did you mean %1?").arg(QString::fromStdString(likely));
}

}  // namespace

void frmZorvan::showError(const ScriptError& e, std::string_view text) {
  showMessage(text);  // returns once the user has answered the box
  if (e.line > 0)
    QMetaObject::invokeMethod(
        this, [this, line = e.line, column = e.column, hint = hintFor(e)] { markErrorAt(line, column, hint); },
        Qt::QueuedConnection);
}

void frmZorvan::markErrorAt(int line, int column, const QString& hint) {
  if (closing_) return;
  QTextDocument* document = txtInput->document();
  QTextBlock block = document->findBlockByNumber(line - 1);
  if (!block.isValid()) block = document->lastBlock();
  QTextCursor caret(block);
  caret.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, std::clamp(column - 1, 0, block.length() - 1));
  txtInput->setTextCursor(caret);
  txtInput->markErrorLine(block.blockNumber() + 1, hint);
  txtInput->setFocus();
  txtInput->ensureCursorVisible();
}

void frmZorvan::showMessage(std::string_view text) {
  // The search waits for OK, as it would on the window's own thread.
  QMetaObject::invokeMethod(
      this, [this, message = boxText(text)] {
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
