#include "ui/message_boxes.h"

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
  current_ = &box;
  // On top and with the keyboard, even where no window manager hands it over.
  QTimer::singleShot(0, &box, [&box] {
    box.raise();
    box.activateWindow();
  });
  box.exec();
  current_ = nullptr;
}

void QtMessageBoxes::dismiss() {
  if (current_ != nullptr) current_->done(QMessageBox::Ok);
}

}  // namespace zorvan::ui
