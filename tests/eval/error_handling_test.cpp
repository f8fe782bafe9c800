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

// Err's five properties are read and written; Raise takes every argument
// after the number as optional, in the middle too; Err is an object.
TEST(ErrObject, PropertiesAreWrittenAndRaiseArgumentsMayBeLeftOut) {
  const std::pair<const char*, const char*> table[] = {
      {"Err.Number = 6 : MyFunction = Err.Number", "Long 6"},
      {"Err.Description = \"d\" : Err.Source = \"s\" : Err.HelpFile = \"f\" : Err.HelpContext = 7\r\n"
       "MyFunction = Err.Description & Err.Source & Err.HelpFile & Err.HelpContext",
       "String dsf7"},
      {"On Error Resume Next : Err.Raise 5000, , \"d\"\r\nMyFunction = Err.Number & \"|\" & Err.Source & \"|\" & Err.Description",
       "String 5000|Microsoft VBScript runtime error|d"},
      {"On Error Resume Next : Err.Raise 13, \"s\", \"d\", \"h.chm\", 42\r\nMyFunction = Err.HelpFile & \"|\" & Err.HelpContext",
       "String h.chm|42"},
      {"On Error Resume Next : Err.Raise 13, , , , 42\r\nMyFunction = Err.Description & \"|\" & Err.HelpContext",
       "String Type mismatch|42"},
      {"On Error Resume Next : Err.Raise vbObjectError + 1 : MyFunction = Err.Number", "Long -2147221503"},
      {"MyFunction = vbObjectError", "Long -2147221504"},
      {"MyFunction = IsObject(Err)", "Boolean True"},
      {"MyFunction = Err", "Long 0"},  // its default property
      {"Err.Raise(5001, , , , 3)", "Error 5001 : Unknown runtime error"},
      {"Err.Frob = 1", "Error 438 : Object doesn't support this property or method: 'frob'"},
      {"Err.Raise 1, 2, 3, 4, 5, 6", "Error 450 : Wrong number of arguments or invalid property assignment: 'Raise'"},
  };
  for (const auto& [text, expected] : table) EXPECT_EQ(evalAt(text), expected) << text;
}

// Raise without a description takes VBScript's own for every number of its
// run-time error list.
TEST(ErrObject, RaiseDescribesEveryRunTimeError) {
  const std::pair<int, const char*> table[] = {
      {430, "Class doesn't support Automation"},
      {432, "File name or class name not found during Automation operation"},
      {445, "Object doesn't support this action"},
      {447, "Object doesn't support current locale setting"},
      {448, "Named argument not found"},
      {449, "Argument not optional"},
      {458, "Variable uses an Automation type not supported in VBScript"},
      {462, "The remote server machine does not exist or is unavailable"},
      {481, "Invalid picture"},
      {502, "Object not safe for scripting"},
      {503, "Object not safe for initializing"},
      {504, "Object not safe for creating"},
      {505, "Invalid or unqualified reference"},
      {506, "Class not defined"},
      {507, "An exception occurred"},
      {5008, "Illegal assignment"},
      {5016, "Regular Expression object expected"},
      {5017, "Syntax error in regular expression"},
      {5018, "Unexpected quantifier"},
      {5019, "Expected ']' in regular expression"},
      {5020, "Expected ')' in regular expression"},
      {5021, "Invalid range in character set"},
      {53, "File not found"},
      {70, "Permission denied"},
  };
  for (const auto& [number, text] : table)
    EXPECT_EQ(evalAt("Err.Raise " + std::to_string(number)), "Error " + std::to_string(number) + " : " + text);
}

// An argument left out between commas: a built-in takes its default, a
// trailing one is as if not given, and a callee that needs it fails when run.
TEST(Calls, ArgumentsLeftOutInTheMiddle) {
  const std::pair<const char*, const char*> table[] = {
      {"MyFunction = FormatNumber(1234.5, 2, , , 0)", "String 1234.50"},
      {"MyFunction = FormatNumber(1234.5, , , , 0)", "String 1234.50"},
      {"MyFunction = Replace(\"aXbXc\", \"X\", \"-\", , 1)", "String a-bXc"},
      {"MyFunction = InStr(, \"abc\", \"c\")", "Long 3"},
      {"MyFunction = UBound(Split(\"a b c\", , 2))", "Long 1"},
      {"MyFunction = Mid(\"abcdef\", 2, )", "String bcdef"},
      {"MyFunction = G(1, )\r\nUserFN = MyFunction\r\nEnd Function\r\nFunction G(a, b)\r\nG = a\r\nEnd Function\r\nFunction U()",
       "Error 449 : Argument not optional"},
  };
  for (const auto& [text, expected] : table) EXPECT_EQ(evalAt(text), expected) << text;
}

TEST(NullArguments, StringOfNullIsNull) {
  EXPECT_EQ(evalAt("MyFunction = IsNull(String(Null, \"a\"))"), "Boolean True");
  EXPECT_EQ(evalAt("MyFunction = IsNull(String(3, Null))"), "Boolean True");
  EXPECT_EQ(evalAt("MyFunction = String(3, \"ab\")"), "String aaa");
}

TEST(OnError, ARunawayLoopThatSwallowsItsErrorsIsStillCutOff) {
  EXPECT_TRUE(testing::cutOffByTimeOut("On Error Resume Next\r\nDo\r\n y = 1 / 0\r\nLoop", std::chrono::milliseconds(200)));
}

}  // namespace
}  // namespace zorvan
