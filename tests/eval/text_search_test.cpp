#include <gtest/gtest.h>

#include <random>
#include <string>

#include "eval/vbscript/builtins/text_search.h"

namespace zorvan::vbs {
namespace {

// Against std::string's own find and rfind on texts of a small alphabet,
// where matches overlap and borders are long.
TEST(TextSearch, FindsWhatTheStandardFindFinds) {
  std::mt19937 random(12345);
  const auto text = [&](std::size_t most) {
    std::string s(std::uniform_int_distribution<std::size_t>(0, most)(random), 'a');
    for (char& c : s) c = "aab"[random() % 3];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string hay = text(24), needle = text(5);
    const std::size_t from = std::uniform_int_distribution<std::size_t>(0, hay.size() + 1)(random);
    EXPECT_EQ(TextFinder(needle).findIn(hay, from), hay.find(needle, from)) << hay << " / " << needle << " from " << from;
    if (needle.size() <= hay.size()) {
      const std::size_t last = std::uniform_int_distribution<std::size_t>(0, hay.size())(random);
      EXPECT_EQ(findLast(hay, needle, last), hay.rfind(needle, last)) << hay << " / " << needle << " last " << last;
    }
  }
}

}  // namespace
}  // namespace zorvan::vbs
