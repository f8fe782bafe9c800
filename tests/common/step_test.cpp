#include <gtest/gtest.h>

#include "common/step.h"
#include "common/value.h"

namespace zorvan {
namespace {

TEST(StepPolicy, AFailingStepKeepsItsDestination) {
  Value dest = Value(1.0);
  step([&] { dest = div(Value(1.0), Value(0.0)); });
  EXPECT_EQ(dest.toDouble(), 1.0);
  step([&] { dest = Value(2.0); });
  EXPECT_EQ(dest.toDouble(), 2.0);
}

TEST(StepPolicy, AFailingStepStopsAtTheFailure) {
  int reached = 0;
  step([&] {
    reached = 1;
    raise(err::Overflow);
  });
  EXPECT_EQ(reached, 1);
}

TEST(StepPolicy, AFailingTestCountsAsMet) {
  EXPECT_TRUE(test([] { return compareNumbers(Value::string("x"), Value(0.0)) < 0; }));
  EXPECT_FALSE(test([] { return false; }));
  EXPECT_FALSE(testOrFalse([]() -> bool { raise(err::TypeMismatch); }));
}

TEST(StepPolicy, OtherExceptionsPassThrough) {
  EXPECT_THROW(step([] { throw 42; }), int);
}

}  // namespace
}  // namespace zorvan
