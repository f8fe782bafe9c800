#pragma once
// The window's message boxes: one OK button, no icon, the caption "Zorvan";
// each waits for OK. Behind an interface so that tests can answer them.

#include <QMessageBox>
#include <QPointer>
#include <QString>

class QWidget;

namespace zorvan::ui {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Returns when the box is acknowledged.
  virtual void show(QWidget* parent, const QString& text) = 0;
  // Closes the box now showing, if any, as if acknowledged.
  virtual void dismiss() {}
  // Asks whether to save changes before they would be lost.
  enum class Answer { Save, Discard, Cancel };
  virtual Answer askToSave(QWidget* parent, const QString& text);
  // Tells of a failure (a file that cannot be read or written), with a warning icon.
  virtual void warn(QWidget* parent, const QString& text);
};

class QtMessageBoxes final : public MessageBoxes {
 public:
  void show(QWidget* parent, const QString& text) override;
  void dismiss() override;

 private:
  QPointer<QMessageBox> current_;
};

}  // namespace zorvan::ui
