#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <string>
#include <vector>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"

namespace zorvan {
namespace {

// The user's text, with procedures and globals of its own after it.
bool pure(const std::string& userText, const std::string& more = "") {
  VBScriptEngine engine;
  const std::string script = buildScript(userText) + (more.empty() ? "" : "\r\n" + more);
  EXPECT_TRUE(engine.addCode(script)) << userText << " / " << more;
  return engine.isPure(engine.prepare(kUserProcedure));
}

TEST(Purity, FunctionsOfTheirArgumentAlone) {
  EXPECT_TRUE(pure("MyFunction = x*x - x*Cos(x) -6"));
  EXPECT_TRUE(pure("If x < 0 Then\r\nMyFunction = -x\r\nElse\r\nMyFunction = Sqr(x)\r\nEnd If"));
  EXPECT_TRUE(pure("s = 0\r\nFor i = 1 To 20 : s = s + x / i : Next\r\nMyFunction = s"));
  EXPECT_TRUE(pure("Dim a(3)\r\na(1) = x : ReDim Preserve a(5)\r\nFor Each v In a : s = s + v : Next\r\nMyFunction = s"));
  EXPECT_TRUE(pure("MyFunction = Len(CStr(x)) + Round(x, 2) + InStr(\"abc\", \"b\")"));
  // Reading a global is pure: only an impure run or added code changes it.
  EXPECT_TRUE(pure("MyFunction = x * k", "Dim k : k = 3"));
  // Calls of pure procedures, recursive ones included; a local passed ByRef.
  EXPECT_TRUE(pure("MyFunction = F(x)", "Function F(n)\r\nIf n > 1 Then F = n * F(n - 1) Else F = 1\r\nEnd Function"));
  EXPECT_TRUE(pure("y = x : Twice y : MyFunction = y", "Sub Twice(v)\r\nv = v * 2\r\nEnd Sub"));
}

TEST(Purity, AnythingThatReachesOutsideTheRun) {
  EXPECT_FALSE(pure("MyFunction = x + Rnd"));
  EXPECT_FALSE(pure("Randomize 1 : MyFunction = x"));
  EXPECT_FALSE(pure("MyFunction = x + Timer"));
  // Writing a global, in each way there is.
  EXPECT_FALSE(pure("n = n + 1 : MyFunction = x", "Dim n"));
  EXPECT_FALSE(pure("For n = 1 To 2 : Next : MyFunction = x", "Dim n"));
  EXPECT_FALSE(pure("ReDim g(2) : MyFunction = x", "Dim g()"));
  EXPECT_FALSE(pure("g(1) = x : MyFunction = x", "Dim g(3)"));
  EXPECT_FALSE(pure("Erase g : MyFunction = x", "Dim g(3)"));
  EXPECT_FALSE(pure("For Each n In Array(1, 2) : Next : MyFunction = x", "Dim n"));
  EXPECT_FALSE(pure("Bump n : MyFunction = x", "Dim n\r\nSub Bump(v)\r\nv = v + 1\r\nEnd Sub"));
  // Err is state that outlives the run; Exit Function clears it.
  EXPECT_FALSE(pure("On Error Resume Next : MyFunction = 1 / x"));
  EXPECT_FALSE(pure("MyFunction = x + Err.Number"));
  EXPECT_FALSE(pure("If x > 1 Then Err.Raise 5\r\nMyFunction = x"));
  EXPECT_FALSE(pure("Err.Clear : MyFunction = x"));
  EXPECT_FALSE(pure("MyFunction = x\r\nExit Function"));
  // Text compiled while the run goes on, and calls found by name then.
  EXPECT_FALSE(pure("MyFunction = Eval(\"x + 1\")"));
  EXPECT_FALSE(pure("Execute \"MyFunction = x\""));
  EXPECT_FALSE(pure("ExecuteGlobal \"Function G() : G = 1 : End Function\" : MyFunction = x"));
  // Impurity anywhere down the calls, even through a cycle.
  EXPECT_FALSE(pure("MyFunction = A(x)", "Function A(n)\r\nA = B(n)\r\nEnd Function\r\n"
                                         "Function B(n)\r\nIf n > 5 Then B = A(n - 1) Else B = Rnd\r\nEnd Function"));
}

// Counts the runs an engine makes.
class CountingEngine final : public ScriptEngine {
 public:
  explicit CountingEngine(VBScriptEngine& inner) : inner_(inner) {}
  void reset() override { inner_.reset(); }
  bool addCode(std::string_view code) override { return inner_.addCode(code); }
  // Without the direct call, which would answer without a run to count.
  PreparedProcedure prepare(std::string_view p) override { return inner_.prepare(p).withoutDirect(); }
  bool isPure(PreparedProcedure p) const override { return inner_.isPure(p); }
  using ScriptEngine::run;
  std::optional<Value> run(PreparedProcedure p, std::span<const Value> args) override {
    ++runs;
    return inner_.run(p, args);
  }
  const ScriptError& lastError() const override { return inner_.lastError(); }
  void setTimeout(std::chrono::milliseconds limit) override { inner_.setTimeout(limit); }
  void interrupt() override { inner_.interrupt(); }
  int runs = 0;

 private:
  VBScriptEngine& inner_;
};

struct Recalling {
  explicit Recalling(const std::string& userText, const std::string& more = "") : counting(engine) {
    EXPECT_TRUE(engine.addCode(buildScript(userText) + "\r\n" + more));
  }
  VBScriptEngine engine;
  CountingEngine counting;
};

TEST(Recall, APureFunctionRunsOncePerRecentPoint) {
  Recalling r("MyFunction = x * x + 1");
  const UserFunction f(r.counting, Recall::Recent);
  // The secant sweep's order: each iterate is asked for again two runs later.
  const std::vector<double> xs{2, 1, 3, 2, 4, 3, 5, 4};
  for (double x : xs) EXPECT_EQ(f(Value(x))->rawDouble(), x * x + 1);
  EXPECT_EQ(r.counting.runs, 5);
  // Only a few are kept: asked for again, most of many points run again.
  for (int i = 0; i < 1000; ++i) f(Value(10.0 + i));
  const int before = r.counting.runs;
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(f(Value(10.0 + i))->rawDouble(), (10.0 + i) * (10.0 + i) + 1);
  EXPECT_GE(r.counting.runs - before, 1000 - static_cast<int>(RecentResults::kSize));
}

TEST(Recall, PointsAreToldApartByTheirBits) {
  // f(x) = x shows which point's result came back, sign and payload included.
  Recalling r("MyFunction = x");
  const UserFunction f(r.counting, Recall::Recent);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(f(Value(0.0))->rawDouble()), 0u);
  EXPECT_TRUE(std::signbit(f(Value(-0.0))->rawDouble()));
  EXPECT_EQ(r.counting.runs, 2);
  // A NaN is found by its own bits only; the bits that mark an empty entry never are.
  const double nan = std::nan(""), otherNan = std::nan("7");
  const double empty = std::bit_cast<double>(std::uint64_t{0x7FF0'0000'0000'0001});
  for (double x : {nan, otherNan, nan, otherNan, empty, empty})
    EXPECT_EQ(std::bit_cast<std::uint64_t>(f(Value(x))->rawDouble()), std::bit_cast<std::uint64_t>(x));
  EXPECT_EQ(r.counting.runs, 6);
}

TEST(Recall, OnlyDoublesAtDoublesAndOnlySuccesses) {
  Recalling r("If x = 0 Then MyFunction = 1 / x Else MyFunction = CInt(x)");
  const UserFunction f(r.counting, Recall::Recent);
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(f(Value(0.0)));  // fails, and is reported, each time
    EXPECT_EQ(r.engine.lastError().number, err::DivisionByZero);
    const std::optional<Value> v = f(Value(2.0));
    EXPECT_EQ(v->type(), VType::Integer);
    EXPECT_EQ(f(Value::integer(2))->type(), VType::Integer);
  }
  EXPECT_EQ(r.counting.runs, 6);
}

TEST(Recall, AFunctionThatIsNotPureRunsEveryTime) {
  for (const char* text : {"n = n + 1 : MyFunction = n", "MyFunction = Rnd"}) {
    Recalling r(text, "Dim n");
    const UserFunction f(r.counting, Recall::Recent);
    const Value first = *f(Value(1.0));
    const Value second = *f(Value(1.0));
    EXPECT_NE(first.toDouble(), second.toDouble()) << text;
    EXPECT_EQ(r.counting.runs, 2) << text;
  }
  // Without being asked to, nothing is recalled.
  Recalling r("MyFunction = x");
  const UserFunction f(r.counting);
  f(Value(1.0));
  f(Value(1.0));
  EXPECT_EQ(r.counting.runs, 2);
}

}  // namespace
}  // namespace zorvan
