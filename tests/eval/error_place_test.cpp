#include <gtest/gtest.h>

#include <string>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"

namespace zorvan {
namespace {

// Where an error arose, as the function box counts lines and columns: the
// first failing x of the text's run, or its compile error.
struct Placed {
  std::int32_t number, line, column;
  bool operator==(const Placed&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Placed& p) {
  return os << "Error " << p.number << " at " << p.line << ":" << p.column;
}

Placed placeOf(const std::string& text, double x = 1) {
  VBScriptEngine engine;
  if (engine.addCode(buildScript(text))) {
    const UserFunction f(engine);
    if (FNF(f, Value(x))) return {0, 0, 0};
  }
  const ScriptError e = placedInUserText(engine.lastError(), text);
  return {e.number, e.line, e.column};
}

// A helper procedure ends UserFN early and leaves one open for the lines the
// window adds after the text.
const std::string kHelper =
    "MyFunction = 2 * G(x)\r\n"
    "UserFN = MyFunction\r\n"
    "End Function\r\n"
    "\r\n"
    "Function G(t)\r\n"
    "  Dim u\r\n"
    "  u = t + 1\r\n"
    "  G = Log(t - 5)\r\n"
    "End Function\r\n"
    "Function Unused()";

TEST(ErrorPlace, RunTimeErrorsAtTheStartOfTheFailingStatement) {
  const std::pair<std::string, Placed> table[] = {
      {"MyFunction = 1/0", {11, 1, 1}},
      {"a = 1\r\n  MyFunction = 1/(x-1)", {11, 2, 3}},
      {"a = 1 : b = Sqr(-x)", {5, 1, 9}},
      {"If x > 0 Then\r\n  For i = 1 To 2\r\n    y = y + Log(-i)\r\n  Next\r\nEnd If", {5, 3, 5}},
      {"If Log(-x) > 0 Then\r\n  y = 1\r\nEnd If", {5, 1, 1}},
      {kHelper, {5, 8, 3}},
      {"' a comment\r\n\r\nErr.Raise 1000, \"src\", \"mine\"", {1000, 3, 1}},
      {"MyFunction = \"é\" & Sqr(-1)", {5, 1, 1}},
      {"y = 1 ' é\r\n\tMyFunction = Sqr(-1)", {5, 2, 2}},
      // Inside Eval or Execute text: the statement that ran it.
      {"a = 1\r\nb = Eval(\"1/0\")", {11, 2, 1}},
      {"On Error Resume Next\r\nExecute \"q = 1/0\"\r\nOn Error GoTo 0\r\nExecute \"a = 1\" & vbCrLf & \"b = Sqr(-1)\"",
       {5, 4, 1}},
      {"ExecuteGlobal \"Function H(t) : H = 1/t : End Function\"\r\nMyFunction = H(0)", {11, 2, 1}},
      {"MyFunction = Eval(\"(1\")", {1006, 1, 1}},
  };
  for (const auto& [text, expected] : table) EXPECT_EQ(placeOf(text), expected) << text;
}

TEST(ErrorPlace, CompileErrorsWhereTheParserStopped) {
  const std::pair<std::string, Placed> table[] = {
      {"MyFunction = (x", {1006, 1, 16}},
      {"a = 1\r\nb = 2 +\r\nc = 3", {1023, 2, 8}},
      {"a = 1\r\nb = \"open", {1033, 2, 5}},
      {"y = 1 # 2", {1032, 1, 7}},
      // Unclosed at the end of the text: the end of the text, not the lines after it.
      {"If x > 0 Then\r\n  y = 2", {1012, 2, 8}},
      {"For i = 1 To 3\r\n", {1020, 2, 1}},
      {"Option Explicit", {1024, 1, 8}},
  };
  for (const auto& [text, expected] : table) EXPECT_EQ(placeOf(text), expected) << text;
}

TEST(ErrorPlace, TheMessageStaysAsItWas) {
  VBScriptEngine engine;
  ASSERT_TRUE(engine.addCode(buildScript("a = 1\r\nMyFunction = 1/0")));
  EXPECT_FALSE(FNF(engine, Value(1.0)));
  EXPECT_EQ(errorText(engine.lastError()), "Error 11 : Division by zero");
}

}  // namespace
}  // namespace zorvan
