#include <gtest/gtest.h>

#include "common/error.h"
#include "common/leading_number.h"

namespace zorvan {
namespace {

TEST(LeadingNumber, ReadsTheLongestLeadingNumber) {
  EXPECT_EQ(leadingNumber("2,5"), 2);
  EXPECT_EQ(leadingNumber("1 000"), 1000);
  EXPECT_EQ(leadingNumber("-3.5e1x"), -35);
  EXPECT_EQ(leadingNumber("abc"), 0);
  EXPECT_EQ(leadingNumber(""), 0);
  EXPECT_EQ(leadingNumber("  42  "), 42);
  EXPECT_EQ(leadingNumber("\t1\n2"), 12);
  EXPECT_EQ(leadingNumber("1.2.3"), 1.2);
  EXPECT_EQ(leadingNumber("+.5"), 0.5);
  EXPECT_EQ(leadingNumber("2d3"), 2000);
  EXPECT_EQ(leadingNumber("2E"), 2);
  EXPECT_EQ(leadingNumber("2e+"), 2);
  EXPECT_EQ(leadingNumber("--5"), 0);
  EXPECT_EQ(leadingNumber("."), 0);
  EXPECT_EQ(leadingNumber("&H10"), 0);
  EXPECT_EQ(leadingNumber("1e-400"), 0);
}

TEST(LeadingNumber, ACarriageReturnEndsTheNumber) {
  EXPECT_EQ(leadingNumber("12\r34"), 12);
}

TEST(LeadingNumber, BeyondADoubleFails) {
  EXPECT_THROW(leadingNumber("1E400"), ScriptError);
  EXPECT_THROW(leadingNumber("-1e309"), ScriptError);
}

TEST(NumberBox, SaysHowItsTextIsRead) {
  const std::pair<const char*, const char*> table[] = {
      {"0.5", ""},
      {" -2.5e3 ", ""},
      {"1e-400", ""},
      {"0,5", "Read as 0: use a period as the decimal separator"},
      {"2,5", "Read as 2: use a period as the decimal separator"},
      {",5", "Read as 0: use a period as the decimal separator"},
      {"2x", "Read as 2: the rest is ignored"},
      {"1.2.3", "Read as 1.2: the rest is ignored"},
      {"2,", "Read as 2: the rest is ignored"},
      {"abc", "Read as 0: not a number"},
      {"&H10", "Read as 0: not a number"},
      {"", "Empty: read as 0"},
      {"  \t", "Empty: read as 0"},
      {"1E400", "Too large for a number: Solve will not run"},
      {"-1e309x", "Too large for a number: Solve will not run"},
  };
  for (const auto& [text, note] : table) EXPECT_EQ(numberBoxNote(readNumberBox(text)), note) << text;
}

// The note never disagrees with what Solve reads.
TEST(NumberBox, ReadsAsTheLeadingNumberRule) {
  const char* pieces[] = {"", "1", "-", ".", "5", "e", "E3", ",", "x", " ", "+", "d2", "9e999", "0"};
  for (const char* a : pieces)
    for (const char* b : pieces)
      for (const char* c : pieces) {
        const std::string text = std::string(a) + b + c;
        const NumberBoxReading r = readNumberBox(text);
        if (r.reading == BoxReading::TooLarge) {
          EXPECT_THROW(leadingNumber(text), ScriptError) << text;
          continue;
        }
        EXPECT_EQ(r.value, leadingNumber(text)) << text;
        EXPECT_EQ(r.reading == BoxReading::Number, numberBoxNote(r).empty()) << text;
      }
}

}  // namespace
}  // namespace zorvan
