#pragma once
// Message boxes that a test answers at once, keeping their texts, and the
// window the tests drive with them.

#include <string>
#include <vector>

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "ui/frm_zorvan.h"
#include "ui/message_boxes.h"

namespace zorvan::ui {

class AnsweringBoxes final : public MessageBoxes {
 public:
  explicit AnsweringBoxes(std::vector<std::string>& log) : log_(log) {}
  void show(QWidget*, const QString& text) override { log_.push_back(text.toStdString()); }
  Answer askToSave(QWidget*, const QString& text) override {
    log_.push_back("ask: " + text.toStdString());
    return answer;
  }
  void warn(QWidget*, const QString& text) override { log_.push_back("warn: " + text.toStdString()); }
  Answer answer = Answer::Cancel;  // to the question whether to save

 private:
  std::vector<std::string>& log_;
};

// A shown window with a frozen clock whose boxes the test answers.
struct WindowFixture : ::testing::Test {
  std::vector<std::string> boxes;
  std::unique_ptr<frmZorvan> w;

  void SetUp() override {
    w = std::make_unique<frmZorvan>(std::make_unique<AnsweringBoxes>(boxes), std::make_unique<FixedClock>(12, 34, 56));
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  }
};

}  // namespace zorvan::ui
