#include "ui/message_boxes.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>

#include "eval/user_function.h"

namespace zorvan::ui {

void QtMessageBoxes::show(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kCaption.data(), static_cast<int>(kCaption.size())), text,
                  QMessageBox::Ok, parent);
  box.setObjectName("ZorvanMessageBox");
  box.setEscapeButton(QMessageBox::Ok);
  box.setDefaultButton(QMessageBox::Ok);
  // The box waits for OK in a loop of its own, but blocks no window: a
  // window blocked by a modal box never hears its close button, and the
  // user may close the window whatever box is up.
  box.setWindowModality(Qt::NonModal);
  QEventLoop loop;
  QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
  current_ = &box;
  box.show();
  // On top and with the keyboard, even where no window manager hands it over.
  QTimer::singleShot(0, &box, [&box] {
    box.raise();
    box.activateWindow();
  });
  loop.exec();
  current_ = nullptr;
}

MessageBoxes::Answer MessageBoxes::askToSave(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kCaption.data(), static_cast<int>(kCaption.size())), text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setObjectName("SaveChangesBox");
  box.setDefaultButton(QMessageBox::Save);
  switch (box.exec()) {
    case QMessageBox::Save: return Answer::Save;
    case QMessageBox::Discard: return Answer::Discard;
    default: return Answer::Cancel;
  }
}

void MessageBoxes::warn(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kCaption.data(), static_cast<int>(kCaption.size())), text,
                  QMessageBox::Ok, parent);
  box.setObjectName("FileErrorBox");
  box.exec();
}

void QtMessageBoxes::dismiss() {
  if (current_ != nullptr) current_->done(QMessageBox::Ok);
}

}  // namespace zorvan::ui
