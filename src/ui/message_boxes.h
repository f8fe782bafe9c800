#pragma once
// The window's modal message boxes: one OK button, no icon, the caption
// "Zorvan". Behind an interface so that tests can answer them.

#include <QString>

class QWidget;

namespace zorvan::ui {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Returns when the box is acknowledged.
  virtual void show(QWidget* parent, const QString& text) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
 public:
  void show(QWidget* parent, const QString& text) override;
};

}  // namespace zorvan::ui
