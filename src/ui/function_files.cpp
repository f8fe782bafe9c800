// The function box's text kept in files: New, Open, Save, Save As, the
// recent files, a dropped file, and the question before unsaved changes
// are lost.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QLineEdit>
#include <QSaveFile>
#include <QSettings>

#include "common/limits.h"
#include "eval/user_function.h"
#include "ui/frm_zorvan.h"
#include "ui/line_ends.h"

namespace zorvan::ui {

namespace {

const QString kUntitledTitle = QStringLiteral("Solve any single variable equation");

// The program's settings: ~/.config/Zorvan/Zorvan.conf, or where XDG_CONFIG_HOME says.
#define ZORVAN_SETTINGS(name) QSettings name(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zorvan"), QStringLiteral("Zorvan"))

// The local function file a drag carries, if it carries one.
QString droppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().isEmpty() || !data->urls().first().isLocalFile()) return {};
  return data->urls().first().toLocalFile();
}

}  // namespace

QString frmZorvan::pathAsked(bool forSaving) {
  if (askForPath) return askForPath(forSaving);
  const QString filter = QStringLiteral("VBScript functions (*.vbs);;All files (*)");
  const QString dir = filePath_.isEmpty() ? QDir::homePath() : QFileInfo(filePath_).path();
  QString path = forSaving ? QFileDialog::getSaveFileName(this, QStringLiteral("Save Function As"),
                                                          filePath_.isEmpty() ? dir + QStringLiteral("/function.vbs") : filePath_, filter)
                           : QFileDialog::getOpenFileName(this, QStringLiteral("Open Function"), dir, filter);
  if (forSaving && !path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".vbs");
  return path;
}

void frmZorvan::updateTitle() {
  if (filePath_.isEmpty()) {
    setWindowTitle(kUntitledTitle);
    setWindowModified(false);
    return;
  }
  setWindowTitle(QFileInfo(filePath_).fileName() + QStringLiteral("[*] - ") + kUntitledTitle);
  setWindowModified(txtInput->document()->isModified());
}

bool frmZorvan::keepOrDropChanges() {
  // An untitled function never asks: the window closes at once.
  if (filePath_.isEmpty() || !txtInput->document()->isModified()) return true;
  const QString text = QStringLiteral("Save the changes to %1?").arg(QFileInfo(filePath_).fileName());
  switch (boxes_->askToSave(this, text)) {
    case MessageBoxes::Answer::Save: return saveFile();
    case MessageBoxes::Answer::Discard: return true;
    case MessageBoxes::Answer::Cancel: return false;
  }
  return false;
}

void frmZorvan::setFunctionText(const QString& text, const QString& path) {
  txtInput->setPlainText(text);
  txtInput->document()->setModified(false);
  filePath_ = path;
  updateTitle();
}

void frmZorvan::newFile() {
  if (!keepOrDropChanges()) return;
  setFunctionText(withLf(kStartText), {});
}

void frmZorvan::openAsked() {
  if (!keepOrDropChanges()) return;
  const QString path = pathAsked(false);
  if (!path.isEmpty()) openFile(path);
}

bool frmZorvan::openFile(const QString& path) {
  QFile file(path);
  const auto fail = [&](const QString& why) {
    boxes_->warn(this, QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(path), why));
    return false;
  };
  if (QFileInfo(path).isDir()) return fail(QStringLiteral("it is a folder"));
  if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
  if (file.size() > static_cast<qint64>(kMaxStringLength)) return fail(QStringLiteral("it is too large for a function"));
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return fail(file.errorString());
  setFunctionText(withLf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
                  QFileInfo(path).absoluteFilePath());
  rememberRecent(filePath_);
  return true;
}

bool frmZorvan::saveFile() { return filePath_.isEmpty() ? saveAsked() : saveFileAs(filePath_); }

bool frmZorvan::saveAsked() {
  const QString path = pathAsked(true);
  return !path.isEmpty() && saveFileAs(path);
}

bool frmZorvan::saveFileAs(const QString& path) {
  QSaveFile file(path);
  const QByteArray bytes = withCrLfUtf8(txtInput->toPlainText());
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    // The box keeps its text whatever the file system said.
    boxes_->warn(this, QStringLiteral("Cannot save %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return false;
  }
  txtInput->document()->setModified(false);
  filePath_ = QFileInfo(path).absoluteFilePath();
  updateTitle();
  rememberRecent(filePath_);
  return true;
}

QStringList frmZorvan::recentFiles() const {
  ZORVAN_SETTINGS(s);
  return s.value(QStringLiteral("recentFiles")).toStringList();
}

void frmZorvan::rememberRecent(const QString& path) {
  QStringList recent = recentFiles();
  recent.removeAll(path);
  recent.prepend(path);
  while (recent.size() > kRecentFiles) recent.removeLast();
  ZORVAN_SETTINGS(s);
  s.setValue(QStringLiteral("recentFiles"), recent);
}

void frmZorvan::fillRecentMenu(QMenu* menu) {
  menu->clear();
  const QStringList recent = recentFiles();
  for (int i = 0; i < recent.size(); ++i) {
    const QString path = recent[i];
    QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
    a->setToolTip(path);
    a->setStatusTip(path);
    connect(a, &QAction::triggered, this, [this, path] {
      if (keepOrDropChanges()) openFile(path);
    });
  }
  menu->setEnabled(!recent.isEmpty());
  if (recent.isEmpty()) menu->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

void frmZorvan::chooseExample(const Example& e) {
  if (!keepOrDropChanges()) return;
  setFunctionText(QString::fromUtf8(e.function), {});
  (e.interval ? Option1[0] : Option1[1])->setChecked(true);
  if (e.interval) {
    txtLower->setText(QString::fromUtf8(e.lower));
    txtUpper->setText(QString::fromUtf8(e.upper));
  } else {
    txtApprox->setText(QString::fromUtf8(e.lower));
  }
}

bool frmZorvan::acceptsDrop(QEvent* event) const {
  const auto* drag = static_cast<QDropEvent*>(event);
  return !droppedFile(drag->mimeData()).isEmpty();
}

void frmZorvan::dragEnterEvent(QDragEnterEvent* event) {
  if (acceptsDrop(event)) event->acceptProposedAction();
}

void frmZorvan::dropEvent(QDropEvent* event) {
  const QString path = droppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  if (keepOrDropChanges()) openFile(path);
}

}  // namespace zorvan::ui
