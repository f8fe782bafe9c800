#pragma once
// Help > Functions: every built-in function and constant of the engine with
// its arguments and what it does, and the operators, from the engine's own
// tables.

#include <QDialog>

namespace zorvan::ui {

class FunctionsHelp final : public QDialog {
 public:
  explicit FunctionsHelp(QWidget* parent);
  // The page as HTML.
  static QString page();
};

}  // namespace zorvan::ui
