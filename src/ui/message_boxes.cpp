#include "ui/message_boxes.h"

#include <QMessageBox>

#include "eval/user_function.h"

namespace zorvan::ui {

void QtMessageBoxes::show(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kCaption.data(), static_cast<int>(kCaption.size())), text,
                  QMessageBox::Ok, parent);
  box.setObjectName("ZorvanMessageBox");
  box.exec();
}

}  // namespace zorvan::ui
