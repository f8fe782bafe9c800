// Numeric plans: which procedures get one, and that a call through a plan
// ends exactly as the bytecode's would, where the plan gives up included.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <thread>

#include "eval/user_function.h"
#include "eval/vbscript/plan/numeric_plan.h"
#include "eval/vbscript/vm/dynamic_code.h"
#include "eval/vbscript_engine.h"
#include "support/outcome.h"

namespace zorvan::testing {
namespace {

bool planned(const std::string& text) {
  vbs::Module module;
  vbs::Runtime rt;
  vbs::addGlobalCode(module, rt, buildScript(text), true);
  return module.procedures.at("userfn")->plan != nullptr;
}

TEST(NumericPlan, NumericCodeGetsOneAndNothingElseDoes) {
  for (const char* text : {
           "MyFunction = x",
           "MyFunction = x*x - x*Cos(x) -6",
           "If x < 0 Then\r\n MyFunction = -x*x + 1\r\nElse\r\n MyFunction = Sqr(x) - 1\r\nEnd If",
           "t = 0.5 : For i = 1 To 20 : t = t + Sin(i*x)/i : Next : MyFunction = t",
           "MyFunction = 0.0 : For t = 0.5 To x Step 0.25 : MyFunction = MyFunction + t : Next",
           "Do While x < 10 : x = x * 2 + 1 : Loop : MyFunction = x",
           "MyFunction = 5",
           "MyFunction = x > 1",
           "s = 0 : For i = 1 To 3 : s = s + x : Next : MyFunction = s",  // Integer or Double, told apart
           "MyFunction = G(x) + G(x / 2)\r\nUserFN = MyFunction\r\nEnd Function\r\nFunction G(t)\r\nG = t*t - 2\r\n"
           "End Function\r\nFunction Unused()",  // a helper, taken in
           "c = Array(1, -3, 0.5)\r\nFor i = UBound(c) To 0 Step -1 : s = s*x + c(i) : Next\r\nMyFunction = s",  // an array
       })
    EXPECT_TRUE(planned(text)) << text;
  for (const char* text : {
           "MyFunction = x & \"\"",                                  // text
           "MyFunction = Len(x)",                                    // no double kernel
           "MyFunction = x Mod 2",                                   // no numeric fast path
           "If x > 0 Then s = 1 Else s = 0.5\r\nMyFunction = s * 2",    // Integer arithmetic one way
           "n = 1 : MyFunction = n + 2",                             // Integer arithmetic
           "MyFunction = Rnd(1) * x",                                // not a function of x alone
           "Dim a(3) : a(1) = x : MyFunction = a(1)",                // an array written
           "c = Array(1.5, 2.5) : c(0) = x : MyFunction = c(0)",
           "If x > 0 Then c = Array(1.5) Else c = Array(2.5)\r\nMyFunction = c(0) * x",  // two arrays
           "c = Array(1.5, 2.5) : MyFunction = c(x)",                // a subscript that is not whole
           "On Error Resume Next : MyFunction = 1 / x",              // error handling
           "MyFunction = Eval(\"x\")",                               // script text
           "If x Then MyFunction = 1",                               // a Double as a condition
           "If x > 1 Then Exit Function\r\nMyFunction = x",          // leaving early clears Err
           "MyFunction = F(x)\r\nUserFN = MyFunction\r\nEnd Function\r\nFunction F(t)\r\nIf t > 1 Then F = F(t - 1) * 2 "
           "Else F = t\r\nEnd Function\r\nFunction Unused()",  // recursion
       })
    EXPECT_FALSE(planned(text)) << text;
}

// Every point on a fast engine, where the plan runs in machine code, and on
// one where it is interpreted, against an engine that runs every
// instruction's general path. Each is asked for by name: the tests' other
// runs change the defaults.
TEST(NumericPlan, EndsExactlyAsTheBytecodeDoes) {
  VBScriptEngine fast(VBScriptOptions{.fastPaths = true, .nativeCode = true}), general(VBScriptOptions{false});
  VBScriptEngine interpreted(VBScriptOptions{.fastPaths = true, .nativeCode = false});
  const double inf = std::numeric_limits<double>::infinity();
  const double points[] = {0.0, -0.0, 1.0, -1.0, 0.5, -2.5, 3.0, 1e-310, 1e155, -1e155, 1e308, 700.0, 710.0,
                           32766.0, 40000.0, inf, -inf};
  for (const char* text : {
           "MyFunction = x*x - x*Cos(x) -6",
           "If x < 0 Then\r\n MyFunction = -x*x + 1\r\nElse\r\n MyFunction = Sqr(x) - 1\r\nEnd If",
           "MyFunction = Sqr(x)",         // gives up below 0: "Invalid procedure call or argument"
           "MyFunction = Log(x) + Exp(x)",  // gives up at 0 and on overflow
           "MyFunction = 1 / x",            // division by zero
           "MyFunction = x * x * x",        // overflow partway
           "MyFunction = x ^ -1 + 0 ^ x",
           "MyFunction = x - x",            // an infinite argument gives a NaN
           "t = 0.5 : For i = 1 To 20 : t = t + Sin(i*x)/i : Next : MyFunction = t",
           // The counter leaves Integer.
           "For i = 32760 To 32770 : MyFunction = MyFunction + x : Next : MyFunction = MyFunction + i",
           "MyFunction = 0.0 : For i = 0.5 To 3 Step 0.5 : MyFunction = MyFunction + i * x : Next",
           "For i = 3 To 1 Step -1 : MyFunction = MyFunction * 2 + i * x : Next",
           "Do While x < 10 : x = x * 2 + 3 : Loop : MyFunction = x",
           "MyFunction = x > 1",
           "MyFunction = (x <= 1) * x + True",
           "If x > 1 Then Exit Function\r\nMyFunction = x ^ 2 / 3",
           "If x = 1 Then MyFunction = 7",     // Integer or Empty by the way taken
           "s = 0 : For i = 1 To 20 : s = s + Sin(i*x)/i : Next : MyFunction = s",
           // Calls of helper procedures, which the plan takes in.
           "MyFunction = G(x)*Cos(x) + G(x/2)\r\nUserFN = MyFunction\r\nEnd Function\r\nFunction G(t)\r\nG = t*t - 2\r\n"
           "End Function\r\nFunction Unused()",
           "y = x\r\nBump y\r\nBump (y)\r\nMyFunction = y * 2\r\nUserFN = MyFunction\r\nEnd Function\r\nSub Bump(v)\r\n"
           "v = v * 1.5 + 1\r\nEnd Sub\r\nFunction Unused()",
           "y = x\r\nBump y\r\nMyFunction = y\r\nUserFN = MyFunction\r\nEnd Function\r\nSub Bump(ByVal v)\r\nv = v + 1\r\n"
           "End Sub\r\nFunction Unused()",
           // A result never assigned is Empty; a variable read before written starts Empty at every call.
           "MyFunction = x + H(x) + H(x + 2)\r\nUserFN = MyFunction\r\nEnd Function\r\nFunction H(t)\r\n"
           "If t > 1 Then H = t * u\r\nu = u + t\r\nEnd Function\r\nFunction Unused()",
           "For i = 1 To 3 : s = s + K(x * i) : Next : MyFunction = s\r\nUserFN = MyFunction\r\nEnd Function\r\n"
           "Function K(t)\r\nu = u + t\r\nK = u ^ 2\r\nEnd Function\r\nFunction Unused()",
           // Arrays of numbers: Horner's rule, elements computed, a subscript
           // past either end, the bounds, an array a helper reads.
           "c = Array(1, -3, 0.5, 2, -1, 0.25, 0.1, -0.05, 0.01)\r\ns = 0\r\nFor i = UBound(c) To 0 Step -1\r\n"
           "s = s*x + c(i)\r\nNext\r\nMyFunction = s",
           "c = Array(x, x * 2, 3) : MyFunction = c(1) + c(2) * c(0)",
           "c = Array(1.5, 2.5) : For i = 0 To 2 : s = s + c(i) * x : Next : MyFunction = s",
           "c = Array(1.5, 2.5) : MyFunction = c(-1) + x",
           "c = Array(2, 4, 8) : MyFunction = x * UBound(c) + LBound(c)",
           "For j = 1 To 3 : c = Array(x, j) : s = s + c(0) * c(1) : Next : MyFunction = s",
           "c = Array(0.5, 1.5)\r\nMyFunction = Pick(c, x)\r\nUserFN = MyFunction\r\nEnd Function\r\nFunction Pick(a, t)\r\n"
           "Pick = a(1) * t\r\nEnd Function\r\nFunction Unused()",
           // Loops laid out turn by turn: the counter after the loop, no turn at
           // all, a loop inside another, and a turn that would overflow the counter.
           "For i = 1 To 4 : s = s + x * i : Next : MyFunction = s + i",
           "For i = 5 To 1 : s = s + x : Next : MyFunction = s + i",
           "For i = 1 To 3 : Next : MyFunction = x * i",
           "For i = 1 To 3 : For j = 2 To 1 Step -1 : s = s + i * j * x : Next : Next : MyFunction = s - j",
           "For i = 32765 To 32767 : s = s + x : Next : MyFunction = s",
           "c = Array(x, 2.5, -x) : For i = LBound(c) To UBound(c) : s = s * 0.5 + c(i) : Next : MyFunction = s",
           // Calls within calls, and one that overflows.
           "MyFunction = G(G(x)) - P(x)\r\nUserFN = MyFunction\r\nEnd Function\r\nFunction G(t)\r\nG = P(t) * 0.5\r\n"
           "End Function\r\nFunction P(t)\r\nP = t ^ 3 - t\r\nEnd Function\r\nFunction Unused()",
           "If x < 5 Then\r\nFor i = 1 To x : s = s + 1.5 : Next\r\nEnd If\r\nMyFunction = s",  // Empty without a turn
           "If x > 0 Then s = 70000 Else s = True\r\nt = s\r\nMyFunction = t",
           // Where two ways meet, the value written last differs by the way taken.
           "t = x + 1 : u = x * 3\r\nIf x > 0 Then t = x * 7\r\nMyFunction = t - u",
           // A loop's turn steps its counter on after the body wrote it.
           "For i = 0.5 To 3 : i = i * 1 : Next : MyFunction = i * 2",
       }) {
    for (VBScriptEngine* e : {&fast, &general, &interpreted}) {
      e->reset();
      ASSERT_TRUE(e->addCode(buildScript(text))) << text;
    }
    const UserFunction f(fast), g(general), i(interpreted);
    for (double x : points) {
      const std::string expected = exactOutcome(general, g, x);
      EXPECT_EQ(exactOutcome(fast, f, x), expected) << text << " at " << x << fast.listing();
      EXPECT_EQ(exactOutcome(interpreted, i, x), expected) << text << " at " << x << interpreted.listing();
    }
  }
}

TEST(NumericPlan, APreparedCallFollowsTheProcedureDeclaredAgain) {
  VBScriptEngine engine(VBScriptOptions{true});
  ASSERT_TRUE(engine.addCode(
      buildScript("MyFunction = x + 1") +
      "\r\nSub Twice\r\nExecuteGlobal \"Function UserFN(x) : UserFN = x * 2 : End Function\"\r\nEnd Sub\r\n"
      "Sub AsText\r\nExecuteGlobal \"Function UserFN(x) : UserFN = x & \"\"!\"\" : End Function\"\r\nEnd Sub"));
  const UserFunction f(engine);
  EXPECT_EQ(f(Value(3.0))->rawDouble(), 4);
  ASSERT_TRUE(engine.run("Twice", {}));
  EXPECT_EQ(f(Value(3.0))->rawDouble(), 6);
  ASSERT_TRUE(engine.run("AsText", {}));
  EXPECT_EQ(f(Value(3.0))->toText(), "3!");
}

TEST(NumericPlan, APlanThatTookInAHelperFollowsItsNewDeclaration) {
  VBScriptEngine engine(VBScriptOptions{true});
  ASSERT_TRUE(engine.addCode(buildScript("MyFunction = G(x) + 1") +
                             "\r\nFunction G(t)\r\nG = t * t\r\nEnd Function\r\n"
                             "Sub Swap\r\nExecuteGlobal \"Function G(t) : G = t + 100 : End Function\"\r\nEnd Sub"));
  const UserFunction f(engine);
  EXPECT_EQ(f(Value(3.0))->rawDouble(), 10);
  ASSERT_TRUE(engine.run("Swap", {}));
  EXPECT_EQ(f(Value(3.0))->rawDouble(), 104);
}

TEST(NumericPlan, APlannedLoopMeetsTheTimeOutAndAnInterrupt) {
  const std::string text = "Do : x = x + 1 : Loop";
  ASSERT_TRUE(planned(text));
  VBScriptEngine engine(VBScriptOptions{true});
  ASSERT_TRUE(engine.addCode(buildScript(text)));
  engine.setTimeout(std::chrono::milliseconds(100));
  EXPECT_FALSE(FNF(engine, Value(1.0)).has_value());
  EXPECT_EQ(engine.lastError().number, err::TimedOut);

  engine.setTimeout(std::chrono::milliseconds(60000));
  int reports = 0;
  engine.setErrorSink([&](const ScriptError&) { ++reports; });
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    engine.interrupt();
  });
  EXPECT_FALSE(FNF(engine, Value(1.0)).has_value());
  stopper.join();
  EXPECT_EQ(engine.lastError().number, err::Interrupted);
  EXPECT_EQ(reports, 0);
}

}  // namespace
}  // namespace zorvan::testing
