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

void QtMessageBoxes::dismiss() {
  if (current_ != nullptr) current_->done(QMessageBox::Ok);
}

}  // namespace zorvan::ui
