#pragma once
// The one window: the function box, the approach with its inputs, the
// Solve button and the results box. Its layout is fixed, in the original
// units of twips (15 to the pixel).

#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "eval/vbscript_engine.h"
#include "solver/clock.h"
#include "solver/plot_samples.h"
#include "solver/solve_command.h"
#include "ui/code_editor.h"
#include "ui/examples.h"
#include "ui/message_boxes.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QDragEnterEvent;
class QDropEvent;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressDialog;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QThread;

namespace zorvan::ui {

class PlotWindow;
class SlantedLine;

// The layout is given in twips; 15 make a pixel at 96 dots per inch.
inline constexpr double kPixelsPerTwip = 1.0 / 15;

class frmZorvan final : public QMainWindow, private SolveHost {
 public:
  explicit frmZorvan(std::unique_ptr<MessageBoxes> boxes = std::make_unique<QtMessageBoxes>(),
                     std::unique_ptr<Clock> clock = std::make_unique<SystemClock>());
  ~frmZorvan() override;

  // The Solve command, as a click of cmdSolve runs it: the search runs off
  // the window's thread, so the window keeps answering; its boxes and lines
  // come back to the window in order.
  void cmdSolve_Click();
  bool isSolving() const { return worker_ != nullptr; }
  // Ends the running search at its next evaluation.
  void cancelSolve();
  long evaluationsSoFar() const { return evaluations_.load(); }

  // The results box's text with CR LF line ends.
  std::string resultText() const;
  // Twips to pixels at the window's scale: the 96 dpi factor, or more where
  // the user's font needs room.
  int px(int twips) const;
  double pixelsPerTwip() const { return pixelsPerTwip_; }
  // The Plot window, opened on first use.
  PlotWindow* showPlotWindow();
  bool isSamplingPreview() const { return previewWorker_ != nullptr; }
  QProgressDialog* progressDialog() const { return progress_; }

  // The function's file; empty while the function is untitled.
  QString filePath() const { return filePath_; }
  // Reads a function file into the box; false, after a box saying why,
  // where it cannot be read.
  bool openFile(const QString& path);
  // Writes the box to path (UTF-8, CR LF); false, after a box saying why,
  // where it cannot be written. The box keeps its text either way.
  bool saveFileAs(const QString& path);
  // Where to open or save, as a file dialog asks it; tests answer it themselves.
  std::function<QString(bool forSaving)> askForPath;
  static constexpr int kRecentFiles = 8;
  QStringList recentFiles() const;

  QLabel* lblUserFN = nullptr;
  CodeEditor* txtInput = nullptr;
  QGroupBox* Frame1 = nullptr;
  QRadioButton* Option1[2] = {};
  QLabel* Label1[2] = {};
  QLineEdit* txtLower = nullptr;
  QLineEdit* txtUpper = nullptr;
  QLineEdit* txtApprox = nullptr;
  QCheckBox* chkNonNegative = nullptr;
  SlantedLine* Line1 = nullptr;
  QPushButton* cmdSolve = nullptr;
  QPlainTextEdit* txtResult = nullptr;
  VBScriptEngine ScriptControl1;  // the window's script engine, never visible

 private:
  void place(QWidget* w, int left, int top, int width, int height);
  void describeForAccessibility();
  void useFixedPitchFont();
  void markNumberBoxes();
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  // The form's layout for the room the screen leaves it, edges on multiples of grid.
  void scaleLayoutToFont(QSize room, int grid);
  void fitToScreen();
  void showEvent(QShowEvent* event) override;
  void buildMenu();
  void showAbout();
  void startPreview();
  void stopPreview();
  void showProgress();
  void finishSolve();
  void stopWorker();
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

  // Function files.
  QString pathAsked(bool forSaving);
  void updateTitle();
  // Before changes to a function from or to a file would be lost: true to
  // go on (saved or discarded), false where the user cancelled.
  bool keepOrDropChanges();
  void setFunctionText(const QString& text, const QString& path);
  void newFile();
  void openAsked();
  bool saveFile();
  bool saveAsked();
  void rememberRecent(const QString& path);
  void fillRecentMenu(QMenu* menu);
  void chooseExample(const Example& e);
  bool acceptsDrop(QEvent* event) const;

  // SolveHost, called on the search's thread.
  void appendResult(const ReportedRoot& root) override;
  void showMessage(std::string_view text) override;
  void showError(const ScriptError& e, std::string_view text) override;
  Clock& clock() override { return *clock_; }
  bool cancelRequested() override;
  void searchAt(const SearchPosition& position) override;
  // The progress box's text and bar for where the search is now.
  void updateProgress();

  void appendToResults(const QString& text);
  // Puts the caret at a place of the function box and marks its line until the text is edited.
  void markErrorAt(int line, int column, const QString& hint);

  struct Placement {
    QWidget* widget;
    QRect twips;
  };
  std::vector<Placement> placements_;
  double pixelsPerTwip_ = kPixelsPerTwip;
  int inputShrink_ = 0, resultShrink_ = 0;  // height the text boxes gave up to fit the screen
  bool screenWatched_ = false;
  QWidget* client_ = nullptr;          // the form: the controls at their places
  QScrollArea* scroller_ = nullptr;    // holds the form only where the screen is too small for it

  std::unique_ptr<MessageBoxes> boxes_;
  std::unique_ptr<Clock> clock_;
  std::unique_ptr<SolveCommand> command_;
  VBScriptEngine plotEngine_;  // its own engine, so plotting leaves the search's globals alone
  VBScriptEngine previewEngine_;  // the plot before any Solve
  QThread* previewWorker_ = nullptr;
  std::atomic<bool> previewStop_{false};

  QThread* worker_ = nullptr;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> closing_{false};
  std::atomic<long> evaluations_{0};
  std::atomic<int> attempt_{0}, pass_{0}, sweep_{0}, cell_{0};
  std::atomic<long> passStart_{0};  // the evaluations before this pass or sweep
  bool intervalSolve_ = true;
  QElapsedTimer elapsed_;
  QProgressDialog* progress_ = nullptr;
  QTimer* progressDelay_ = nullptr;  // the progress box shows after half a second of searching
  QTimer* progressTimer_ = nullptr;
  bool messageUp_ = false;           // a box of the search is waiting for the user
  PlotWindow* plot_ = nullptr;
  QString filePath_;
  std::mutex plotMutex_;
  std::optional<PlotData> lastPlot_;
};

// The window's icon, 32 x 32.
QIcon zorvanIcon();

}  // namespace zorvan::ui
