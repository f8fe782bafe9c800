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

}  // namespace
}  // namespace zorvan
