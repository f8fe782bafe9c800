#pragma once
// Message boxes that a test answers at once, keeping their texts.

#include <string>
#include <vector>

#include "ui/message_boxes.h"

namespace zorvan::ui {

class AnsweringBoxes final : public MessageBoxes {
 public:
  explicit AnsweringBoxes(std::vector<std::string>& log) : log_(log) {}
  void show(QWidget*, const QString& text) override { log_.push_back(text.toStdString()); }

 private:
  std::vector<std::string>& log_;
};

}  // namespace zorvan::ui
