#include "common/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>
#include <string>

#include "common/leading_number.h"
#include "common/value.h"

namespace zorvan {
namespace {

// Runs the body under a comma-decimal C locale where the machine has one,
// and restores "C" afterwards.
class CommaLocale {
 public:
  CommaLocale() { active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr; }
  ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
  bool active() const { return active_; }

 private:
  bool active_;
};

std::string printfG(double d, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", digits, d);
  return buf;
}

TEST(NumberText, WriteGAgreesWithPrintfInTheCLocale) {
  for (double d : {1.0, -1.5, 0.1, 1.0 / 3, 2.18003, 8.88178419700125E-16, 1e15, 1e16, 123456789012345678.0,
                   0.0001, 0.00001, -0.000123456, 1.7976931348623157e308, 4.9e-324, 999999999999999.9,
                   0.30000000000000004, 100.0, 1e-5}) {
    for (int digits : {7, 15}) EXPECT_EQ(writeG(d, digits), printfG(d, digits)) << d;
  }
  EXPECT_EQ(writeG(0.0, 15), "0");
  EXPECT_EQ(writeG(-0.0, 15), "0");
}

TEST(NumberText, ReadingIsExactAndRangeAware) {
  EXPECT_EQ(decimalValue("2.18003"), 2.18003);
  EXPECT_EQ(decimalValue("-1.5e-3"), -0.0015);
  EXPECT_EQ(decimalValue("1D3"), 1000);
  EXPECT_EQ(decimalValue(".5"), 0.5);
  EXPECT_EQ(decimalValue("1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(decimalValue("-1e400"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(decimalValue("0.000001e-400"), 0.0);
  EXPECT_EQ(decimalValue("123456789e-420"), 0.0);
  EXPECT_EQ(decimalValue("0.0001e312"), 1e308);
}

TEST(NumberText, ScanningStopsWhereTheNumberEnds) {
  EXPECT_EQ(scanDecimal("12.5e3x", false).length, 6u);
  EXPECT_FALSE(scanDecimal("12.5e3x", false).whole);
  EXPECT_TRUE(scanDecimal("125", false).whole);
  EXPECT_EQ(scanDecimal("2e", false).length, 1u);  // an exponent without digits is not part of it
  EXPECT_EQ(scanDecimal("2e+", false).length, 1u);
  EXPECT_EQ(scanDecimal("2d5", false).length, 1u);
  EXPECT_EQ(scanDecimal("2d5", true).length, 3u);
  EXPECT_EQ(scanDecimal(".", true).length, 0u);
  EXPECT_EQ(scanDecimal("x1", true).length, 0u);
  EXPECT_EQ(scanDecimal("1.2.3", true).length, 3u);
}

TEST(NumberText, PlainNumbersAreWholeTexts) {
  EXPECT_EQ(readPlainNumber("0.5"), 0.5);
  EXPECT_EQ(readPlainNumber("-3"), -3);
  EXPECT_EQ(readPlainNumber("+2e1"), 20);
  EXPECT_FALSE(readPlainNumber(""));
  EXPECT_FALSE(readPlainNumber("0,5"));
  EXPECT_FALSE(readPlainNumber("1e400"));
  EXPECT_FALSE(readPlainNumber("5s"));
}

TEST(NumberText, ShortestTextReadsBack) {
  for (double d : {2.180025630014945, 0.1, -1e-300, 1.7976931348623157e308, 5e-324}) {
    EXPECT_EQ(decimalValue(writeShortest(d)), d) << writeShortest(d);
  }
  EXPECT_EQ(writeShortest(2.5), "2.5");
  EXPECT_EQ(writeUnsigned(255, 16), "FF");
  EXPECT_EQ(writeUnsigned(8, 8), "10");
  EXPECT_EQ(writeGrouped(2219), "2,219");
  EXPECT_EQ(writeGrouped(1), "1");
  EXPECT_EQ(writeGrouped(-1234567), "-1,234,567");
  EXPECT_EQ(writeGrouped(100000), "100,000");
}

// Every reader and writer keeps the period under a comma-decimal locale.
TEST(NumberText, TheLocaleNeverChangesAReadingOrAWriting) {
  CommaLocale comma;
  if (!comma.active()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  EXPECT_EQ(writeG(2.5, 15), "2.5");
  EXPECT_EQ(formatDouble(-1.25e-20), "-1.25E-20");
  EXPECT_EQ(Value(0.5).toText(), "0.5");
  EXPECT_EQ(leadingNumber("0.5"), 0.5);
  EXPECT_EQ(leadingNumber("0,5"), 0);
  EXPECT_EQ(Value::string("1.5").toDouble(), 1.5);
  EXPECT_EQ(readPlainNumber("0.25"), 0.25);
  EXPECT_EQ(decimalValue("3.75"), 3.75);
}

}  // namespace
}  // namespace zorvan
