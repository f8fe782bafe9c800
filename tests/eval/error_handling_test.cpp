// On Error Resume Next, On Error GoTo 0 and the Err object.
#include <gtest/gtest.h>

#include <chrono>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "support/script.h"

namespace zorvan {
namespace {

using testing::evalAt;

TEST(OnError, ResumeNextGoesOnWithTheNextStatementAndNotesTheError) {
  EXPECT_EQ(evalAt("On Error Resume Next\r\nMyFunction = 1 / 0\r\nMyFunction = Err.Number"), "Long 11");
  EXPECT_EQ(evalAt("On Error Resume Next\r\ny = 1 / 0\r\nMyFunction = Err.Description & \"|\" & Err.Source"),
            "String Division by zero|Microsoft VBScript runtime error");
  EXPECT_EQ(evalAt("On Error Resume Next\r\nMyFunction = 5\r\nMyFunction = Log(-1)"), "Integer 5");
  EXPECT_EQ(evalAt("On Error Resume Next\r\nMyFunction = Err.Number"), "Long 0");
  EXPECT_EQ(evalAt("On Error Resume Next\r\ny = 1 / 0\r\nMyFunction = Err"), "Long 11");
  // Inside a block the run goes on within it.
  EXPECT_EQ(evalAt("On Error Resume Next\r\nFor i = 1 To 3\r\n y = 1 / 0\r\n n = n + 1\r\nNext\r\nMyFunction = n"),
            "Integer 3");
}

TEST(OnError, GoToZeroRestoresFailingAndBothClearErr) {
  EXPECT_EQ(evalAt("On Error Resume Next\r\ny = 1 / 0\r\nOn Error GoTo 0\r\nMyFunction = 1 / 0"),
            "Error 11 : Division by zero");
  EXPECT_EQ(evalAt("On Error Resume Next\r\ny = 1 / 0\r\nOn Error GoTo 0\r\nMyFunction = Err.Number"), "Long 0");
  EXPECT_EQ(evalAt("On Error Resume Next\r\ny = 1 / 0\r\nOn Error Resume Next\r\nMyFunction = Err.Number"), "Long 0");
  EXPECT_EQ(evalAt("On Error Resume Next\r\ny = 1 / 0\r\nErr.Clear\r\nMyFunction = Err.Number"), "Long 0");
}

TEST(OnError, AFailingIfConditionEntersItsArm) {
  EXPECT_EQ(evalAt("On Error Resume Next\r\nMyFunction = 0\r\nIf 1 / 0 > 5 Then\r\n MyFunction = 1\r\nElse\r\n MyFunction = 2\r\nEnd If"),
            "Integer 1");
}

TEST(OnError, ScopedToTheCallOfTheProcedure) {
  // The callee has no handler of its own: its call ends and the caller goes on.
  EXPECT_EQ(evalAt("On Error Resume Next\r\nMyFunction = F(0)\r\nMyFunction = MyFunction & \"/\" & Err.Number\r\n"
                   "UserFN = MyFunction\r\nEnd Function\r\nFunction F(d)\r\nF = 1\r\nF = 1 / d\r\nF = 3\r\nEnd Function\r\n"
                   "Function G()"),
            "String /11");
  // A handler in the callee stays there.
  EXPECT_EQ(evalAt("MyFunction = F(0)\r\nUserFN = MyFunction\r\nEnd Function\r\n"
                   "Function F(d)\r\nOn Error Resume Next\r\nF = 1 / d\r\nF = 3\r\nEnd Function\r\nFunction G()"),
            "Integer 3");
  // The caller's Resume Next does not reach into the callee's statements.
  EXPECT_EQ(evalAt("MyFunction = F(0)\r\nUserFN = MyFunction\r\nEnd Function\r\n"
                   "Function F(d)\r\nOn Error Resume Next\r\nF = G(d)\r\nF = F & \"-\" & Err.Number\r\nEnd Function\r\n"
                   "Function G(d)\r\nG = 1 / d\r\nEnd Function\r\nFunction H()"),
            "String -11");
}

TEST(ErrObject, RaiseWithItsArguments) {
  EXPECT_EQ(evalAt("Err.Raise 1000"), "Error 1000 : Unknown runtime error");
  EXPECT_EQ(evalAt("Err.Raise 11"), "Error 11 : Division by zero");
  EXPECT_EQ(evalAt("Err.Raise 1001, \"Mine\", \"My own\""), "Error 1001 : My own");
  EXPECT_EQ(evalAt("On Error Resume Next\r\nErr.Raise 1001, \"Mine\", \"My own\"\r\n"
                   "MyFunction = Err.Number & \" \" & Err.Source & \" \" & Err.Description"),
            "String 1001 Mine My own");
  EXPECT_EQ(evalAt("Err.Raise(5)"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(evalAt("Err.Raise 0"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(evalAt("MyFunction = Err.Frob"), "Error 438 : Object doesn't support this property or method: 'frob'");
}

TEST(OnError, ARunawayLoopThatSwallowsItsErrorsIsStillCutOff) {
  EXPECT_TRUE(testing::cutOffByTimeOut("On Error Resume Next\r\nDo\r\n y = 1 / 0\r\nLoop", std::chrono::milliseconds(200)));
}

}  // namespace
}  // namespace zorvan
