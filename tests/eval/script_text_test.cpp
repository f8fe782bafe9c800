// Eval, Execute and ExecuteGlobal: text compiled while the function runs,
// in its names and in the same sandbox.
#include <gtest/gtest.h>

#include <chrono>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "support/script.h"

namespace zorvan {
namespace {

using testing::evalAt;
using testing::evalWith;

TEST(Eval, ReadsTheCallsVariablesAndGivesTheValue) {
  EXPECT_EQ(evalAt("MyFunction = Eval(\"x * 2 + 1\")", 3), "Double 7");
  EXPECT_EQ(evalAt("y = 4\r\nMyFunction = Eval(\"y = 4\")"), "Boolean True");
  EXPECT_EQ(evalAt("MyFunction = Eval(\"Nothing\") Is Nothing"), "Boolean True");
  EXPECT_EQ(evalAt("MyFunction = Eval(\"Eval(\"\"x + 1\"\")\")", 2), "Double 3");
  EXPECT_EQ(evalAt("MyFunction = Eval(5)"), "Integer 5");
  EXPECT_EQ(evalAt("MyFunction = Eval(\"y\")"), "Empty");
  EXPECT_EQ(evalAt("MyFunction = Eval(Null)"), "Error 94 : Invalid use of Null");
}

TEST(Eval, RunsInItsPlaceAmongTheOperands) {
  // The left operand is read before the text on the right changes it.
  EXPECT_EQ(evalAt("y = 1\r\nMyFunction = y + Execute(\"y = 10\")"), "Integer 1");
  EXPECT_EQ(evalAt("y = 1\r\nMyFunction = y + Eval(\"Twice(y)\")\r\nMyFunction = MyFunction & \"/\" & y\r\n"
                   "UserFN = MyFunction\r\nEnd Function\r\nFunction Twice(v)\r\nv = v * 2\r\nTwice = 0\r\nEnd Function\r\n"
                   "Function Unused()"),
            "String 1/2");
  // Eval may give an object, which only Set assigns.
  EXPECT_EQ(evalAt("y = Eval(\"Nothing\")"), "Error 91 : Object variable not set");
  EXPECT_EQ(evalAt("Set y = Eval(\"Nothing\")\r\nMyFunction = y Is Nothing"), "Boolean True");
}

TEST(Eval, ItsErrorsAreTheCallersToHandle) {
  EXPECT_EQ(evalAt("MyFunction = Eval(\"1 +\")"), "Error 1023 : Expected expression");
  EXPECT_EQ(evalAt("MyFunction = Eval(\"1 2\")"), "Error 1025 : Expected end of statement");
  EXPECT_EQ(evalAt("MyFunction = Eval(\"y = 1 : y\")"), "Error 1025 : Expected end of statement");
  EXPECT_EQ(evalAt("On Error Resume Next\r\nMyFunction = Eval(\"1 / 0\")\r\nMyFunction = Err.Number"), "Long 11");
  EXPECT_EQ(evalAt("On Error Resume Next\r\nMyFunction = Eval(\")\")\r\nMyFunction = Err.Number"), "Long 1023");
}

TEST(Execute, RunsStatementsInTheCallsNames) {
  EXPECT_EQ(evalAt("Execute \"y = x + 1\"\r\nMyFunction = y", 3), "Double 4");
  EXPECT_EQ(evalAt("Execute \"MyFunction = x * x\"", 3), "Double 9");
  EXPECT_EQ(evalAt("Execute \"Dim z : z = 5 : MyFunction = z * x\"", 3), "Double 15");
  EXPECT_EQ(evalAt("Execute \"For i = 1 To 3\" & vbCrLf & \"s = s & i\" & vbCrLf & \"Next\"\r\nMyFunction = s"),
            "String 123");
  EXPECT_EQ(evalAt("a = Array(1, 2)\r\nExecute \"a(1) = 7\"\r\nMyFunction = a(1)"), "Integer 7");
  EXPECT_EQ(evalAt("Execute \"If x Then\""), "Error 1014 : Expected 'End'");
}

TEST(ExecuteGlobal, DeclaresProceduresAndGlobalsForLaterCalls) {
  EXPECT_EQ(evalAt("ExecuteGlobal \"Function Sq(v) : Sq = v * v : End Function\"\r\nMyFunction = Sq(x + 1)", 3),
            "Double 16");
  EXPECT_EQ(evalAt("ExecuteGlobal \"g = 7\"\r\nMyFunction = Eval(\"g\") + x", 3), "Double 10");
  EXPECT_EQ(evalAt("ExecuteGlobal \"Function F(n)\" & vbLf & \"If n = 0 Then F = 1 Else F = n * F(n - 1)\" & vbLf & "
                   "\"End Function\"\r\nMyFunction = F(5)"),
            "Integer 120");
  // A name no code declares fails when it is called, as before.
  EXPECT_EQ(evalAt("MyFunction = Nope(1)"), "Error 13 : Type mismatch: 'Nope'");
  EXPECT_EQ(evalAt("ExecuteGlobal \"Function Two(a, b) : Two = a + b : End Function\"\r\nMyFunction = Two(1)"),
            "Error 450 : Wrong number of arguments or invalid property assignment: 'Two'");
  // Run at every evaluation, it declares its procedure again each time.
  VBScriptEngine engine;
  ASSERT_TRUE(engine.addCode(buildScript("ExecuteGlobal \"Function G(v) : G = v * v : End Function\"\r\nMyFunction = G(x)")));
  const UserFunction f(engine);
  for (double x : {2.0, 3.0}) {
    const auto v = f(Value(x));
    ASSERT_TRUE(v.has_value()) << engine.lastError().description;
    EXPECT_EQ(v->toDouble(), x * x);
  }
}

TEST(ExecuteGlobal, TheLastDeclarationOfAProcedureIsInForce) {
  // In one text, and by ExecuteGlobal, even with other arguments: calls
  // compiled before reach the new declaration.
  EXPECT_EQ(evalWith("MyFunction = F(1) & \"/\" & G()",
                     "Function F(a)\r\nF = \"first\"\r\nEnd Function\r\nFunction F(a)\r\nF = \"second\" & a\r\nEnd Function\r\n"
                     "Function G()\r\nExecuteGlobal \"Function F(a, b) : F = a + b : End Function\"\r\nG = F(2, 3)\r\nEnd Function"),
            "String second1/5");
  EXPECT_EQ(evalWith("MyFunction = F(1, 2)", "Function F(a)\r\nEnd Function"),
            "Error 450 : Wrong number of arguments or invalid property assignment: 'F'");
  // A variable's name is still taken.
  EXPECT_EQ(evalWith("MyFunction = 1", "Dim q\r\nFunction q()\r\nEnd Function"), "Error 1041 : Name redefined");
  // The running call keeps its code; the next call runs the new declaration.
  VBScriptEngine engine;
  ASSERT_TRUE(engine.addCode(buildScript("ExecuteGlobal \"Function UserFN(x) : UserFN = x * 10 : End Function\"\r\nMyFunction = x + 1")));
  const UserFunction f(engine);
  EXPECT_EQ(f(Value(2.0))->toDouble(), 3);
  EXPECT_EQ(f(Value(2.0))->toDouble(), 20);
}

TEST(Names, AVariableMadeByItsUseIsTheGlobalDeclaredSince) {
  // Declared in the same call, or by a procedure it calls, before the name is first used.
  EXPECT_EQ(evalAt("ExecuteGlobal \"Dim gg : gg = 5\"\r\nMyFunction = gg"), "Integer 5");
  EXPECT_EQ(evalWith("MyFunction = G() + gg", "Function G()\r\nExecuteGlobal \"Dim gg : gg = 5\"\r\nG = gg\r\nEnd Function"),
            "Integer 10");
  EXPECT_EQ(evalAt("ExecuteGlobal \"Dim gg\"\r\ngg = x\r\nExecuteGlobal \"gg = gg * 2\"\r\nMyFunction = gg", 3), "Double 6");
  // One the call has given a value of its own stays its own.
  EXPECT_EQ(evalAt("gg = 1\r\nExecuteGlobal \"Dim gg : gg = 5\"\r\nMyFunction = gg"), "Integer 1");
  // Code added later declares it: the next call reads it, its plan gone, and it is no longer pure.
  VBScriptEngine engine;
  ASSERT_TRUE(engine.addCode(buildScript("MyFunction = gg * x")));
  const UserFunction f(engine);
  EXPECT_EQ(f(Value(2.0))->toDouble(), 0);
  ASSERT_TRUE(engine.addCode("Dim gg : gg = 4"));
  EXPECT_EQ(f(Value(2.0))->toDouble(), 8);
  EXPECT_FALSE(engine.isPure(engine.prepare(kUserProcedure)));
}

TEST(LateCall, PassesAVariableByReferenceAsABoundCallDoes) {
  const char* twice = "ExecuteGlobal \"Sub Twice(a) : a = a * 2 : End Sub\"\r\n";
  EXPECT_EQ(evalAt(std::string(twice) + "y = x\r\nTwice y\r\nCall Twice(y)\r\nMyFunction = y", 3), "Double 12");
  EXPECT_EQ(evalAt(std::string(twice) + "Twice x\r\nMyFunction = x", 3), "Double 6");
  EXPECT_EQ(evalAt(std::string(twice) + "y = x\r\nTwice (y)\r\nTwice y + 0\r\nMyFunction = y", 3), "Double 3");
  EXPECT_EQ(evalAt("ExecuteGlobal \"Sub Twice(ByVal a) : a = a * 2 : End Sub\"\r\ny = x\r\nTwice y\r\nMyFunction = y", 3),
            "Double 3");
  EXPECT_EQ(evalAt("ExecuteGlobal \"Dim g : g = 2\"\r\n" + std::string(twice) + "Twice g\r\nMyFunction = Eval(\"g\")"),
            "Integer 4");
}

TEST(Execute, ItsVariablesLiveForTheRestOfTheCall) {
  EXPECT_EQ(evalAt("Execute \"zz = 5\"\r\nExecute \"zz = zz + 1\"\r\nMyFunction = Eval(\"zz\") + x", 1), "Double 7");
  EXPECT_EQ(evalAt("Execute \"Dim a(2) : a(1) = x\"\r\nMyFunction = Eval(\"a(1) * 2\")", 4), "Double 8");
  // Each call starts without them.
  VBScriptEngine engine;
  ASSERT_TRUE(engine.addCode(buildScript("Execute \"zz = zz + 1\"\r\nMyFunction = Eval(\"zz\")")));
  const UserFunction f(engine);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(f(Value(1.0))->toDouble(), 1);
}

TEST(ScriptTextSandbox, NothingOutsideTheEngineIsReachable) {
  EXPECT_EQ(evalAt("MyFunction = Eval(\"CreateObject(\"\"WScript.Shell\"\")\")"),
            "Error 429 : ActiveX component can't create object: 'WScript.Shell'");
  EXPECT_EQ(evalAt("Execute \"Set o = GetObject(\"\"winmgmts:\"\")\""),
            "Error 429 : ActiveX component can't create object: 'winmgmts:'");
  // Recursion through Eval ends in error 28, not a crash.
  EXPECT_EQ(evalAt("ExecuteGlobal \"Function R(n) : R = Eval(\"\"R(n)\"\") : End Function\"\r\nMyFunction = R(1)"),
            "Error 28 : Out of stack space");
  // And so does recursion through a call bound only when it runs: A calls B,
  // which ExecuteGlobal declares after A was compiled.
  EXPECT_EQ(evalAt("MyFunction = A(1)\r\nEnd Function\r\nFunction A(n)\r\n"
                   " If n = 1 Then ExecuteGlobal \"Function B(m) : B = A(m + 1) : End Function\"\r\n"
                   " A = B(n)\r\nEnd Function\r\nFunction T()"),
            "Error 28 : Out of stack space");
}

TEST(ScriptTextSandbox, ARunawayExecuteIsCutOffByTheTimeOut) {
  EXPECT_TRUE(testing::cutOffByTimeOut("Execute \"On Error Resume Next : Do : y = 1 / 0 : Loop\"",
                                       std::chrono::milliseconds(200)));
}

TEST(ExitProcedure, ExitFunctionAndExitSubClearErr) {
  EXPECT_EQ(evalWith("On Error Resume Next\r\ny = F()\r\nMyFunction = Err.Number",
                     "Function F()\r\nOn Error Resume Next\r\ny = 1 / 0\r\nExit Function\r\nEnd Function"),
            "Long 0");
  EXPECT_EQ(evalWith("On Error Resume Next\r\nS\r\nMyFunction = Err.Number",
                     "Sub S()\r\nOn Error Resume Next\r\ny = 1 / 0\r\nExit Sub\r\nEnd Sub"),
            "Long 0");
  // Reaching End Function keeps what Err holds.
  EXPECT_EQ(evalWith("On Error Resume Next\r\ny = F()\r\nMyFunction = Err.Number",
                     "Function F()\r\nOn Error Resume Next\r\ny = 1 / 0\r\nEnd Function"),
            "Long 11");
}

}  // namespace
}  // namespace zorvan
