#include <gtest/gtest.h>
#include <pthread.h>

#include <chrono>
#include <functional>
#include <string>

#include "common/memory_budget.h"
#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "support/script.h"

namespace zorvan {
namespace {

using testing::evalAt;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(Limits, DeepNestingIsACleanError) {
  const std::string parens = "MyFunction = " + std::string(100000, '(') + "1" + std::string(100000, ')');
  EXPECT_EQ(evalAt(parens), "Error 28 : Out of stack space");
  std::string ifs;
  for (int i = 0; i < 100000; ++i) ifs += "If x Then\r\n";
  EXPECT_EQ(evalAt(ifs), "Error 28 : Out of stack space");
  EXPECT_EQ(evalAt("MyFunction = " + std::string(100000, '-') + "1"), "Error 28 : Out of stack space");
}

// Runs work on a thread with a stack of the given size, as the window's
// search thread has one of its own.
void onThreadWithStack(std::size_t bytes, const std::function<void()>& work) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, bytes);
  pthread_t thread;
  auto run = [](void* w) -> void* {
    (*static_cast<const std::function<void()>*>(w))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&work)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

// The limit counts the levels the user wrote, not the wrapper's. A large
// stack, since a sanitizer's frames are several times a release build's.
TEST(Limits, AThousandLevelsOfEachKindRunAndOneMoreIsRefused) {
  onThreadWithStack(std::size_t{256} * 1024 * 1024, [] {
  const auto parens = [](int n) { return "MyFunction = " + std::string(n, '(') + "x" + std::string(n, ')'); };
  const auto signs = [](int n) { return "MyFunction = " + std::string(n, '-') + "x"; };
  const auto calls = [](int n) {
    std::string s = "MyFunction = ";
    for (int i = 0; i < n; ++i) s += "Abs(";
    return s + "x" + std::string(n, ')');
  };
  const auto ifs = [](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "If x > 0 Then\r\n";
    s += "MyFunction = x\r\n";
    for (int i = 0; i < n; ++i) s += "End If\r\n";
    return s;
  };
  EXPECT_EQ(evalAt(parens(1000), 2), "Double 2");
  EXPECT_EQ(evalAt(signs(1000), 2), "Double 2");
  EXPECT_EQ(evalAt(calls(1000), 2), "Double 2");
  // Text that Eval and Execute compile while the function runs counts the same.
  const auto evalText = [](int n) { return "MyFunction = Eval(\"" + std::string(n, '(') + "x" + std::string(n, ')') + "\")"; };
  const auto executeText = [&](int n) { return "Execute \"" + parens(n) + "\""; };
  EXPECT_EQ(evalAt(ifs(1000), 2), "Double 2");
  EXPECT_EQ(evalAt(evalText(1000), 2), "Double 2");
  EXPECT_EQ(evalAt(executeText(1000), 2), "Double 2");
  for (const std::string& deeper : {parens(1001), signs(1001), calls(1001), ifs(1001), evalText(1001), executeText(1001)})
    EXPECT_EQ(evalAt(deeper, 2), "Error 28 : Out of stack space") << deeper.substr(0, 30);
  });
}

// On a small stack, deep nesting ends in error 28 before the stack runs out.
TEST(Limits, DeepNestingOnASmallStackIsACleanError) {
  onThreadWithStack(std::size_t{512} * 1024, [] {
    std::string calls = "MyFunction = ";
    for (int i = 0; i < 1000; ++i) calls += "Abs(";
    calls += "x" + std::string(1000, ')');
    const std::string result = evalAt(calls, 2);
    EXPECT_TRUE(result == "Double 2" || result == "Error 28 : Out of stack space") << result;
  });
}

// Whether UserFN is pure is found without recursion, however long the
// chain of calls the text declares.
TEST(Limits, ALongChainOfCallsIsCheckedOnASmallStack) {
  std::string text = "MyFunction = F0(x)\r\nEnd Function\r\n";
  const int n = 20000;
  for (int i = 0; i < n; ++i)
    text += "Function F" + std::to_string(i) + "(v)\r\nF" + std::to_string(i) + " = F" + std::to_string(i + 1) + "(v)\r\nEnd Function\r\n";
  const std::string last = "Function F" + std::to_string(n) + "(v)\r\nF" + std::to_string(n) + " = ";
  for (const char* end : {"v", "Rnd"}) {
    VBScriptEngine engine;
    ASSERT_TRUE(engine.addCode(buildScript(text + last + end + "\r\nEnd Function\r\nFunction S()")));
    bool pure = false;
    onThreadWithStack(std::size_t{256} * 1024, [&] { pure = engine.isPure(engine.prepare(kUserProcedure)); });
    EXPECT_EQ(pure, std::string(end) == "v");
  }
}

TEST(Limits, ModerateNestingWorks) {
  EXPECT_EQ(evalAt("MyFunction = " + std::string(200, '(') + "x" + std::string(200, ')'), 2), "Double 2");
  std::string ifs, ends;
  for (int i = 0; i < 100; ++i) ifs += "If x Then\r\n", ends += "End If\r\n";
  EXPECT_EQ(evalAt(ifs + "MyFunction = 7\r\n" + ends, 1), "Integer 7");
}

TEST(Limits, LongFlatExpressionsNeedNoDeepStack) {
  std::string sum = "MyFunction = 0";
  for (int i = 0; i < 200000; ++i) sum += "+x";
  EXPECT_EQ(evalAt(sum, 1), "Double 200000");
}

TEST(Limits, RunawayRecursionRunsOutOfStackSpace) {
  const std::string text = "MyFunction = R(1)\r\nEnd Function\r\nFunction R(n)\r\n R = R(n + 1)\r\nEnd Function\r\nFunction S()";
  EXPECT_EQ(evalAt(text), "Error 28 : Out of stack space");
  const std::string deep = "UserFN = D(1000)\r\nEnd Function\r\n"
                           "Function D(n)\r\n If n = 0 Then D = 0 Else D = 1 + D(n - 1)\r\nEnd Function\r\nFunction S()";
  EXPECT_EQ(evalAt(deep), "Integer 1000");
}

TEST(Limits, StringsStopAtTheirLimit) {
  const auto start = Clock::now();
  EXPECT_EQ(evalAt("s = \"ab\" : For i = 1 To 40 : s = s & s : Next : MyFunction = Len(s)"),
            "Error 14 : Out of string space");
  EXPECT_EQ(evalAt("MyFunction = Space(100000000)"), "Error 14 : Out of string space");
  EXPECT_LT(secondsSince(start), 30);
}

TEST(Limits, ARunawayLoopIsCutOffByTheTimeOut) {
  VBScriptEngine engine;
  engine.setTimeout(std::chrono::milliseconds(200));
  int reports = 0;
  ScriptError reported;
  engine.setErrorSink([&](const ScriptError& e) {
    ++reports;
    reported = e;
  });
  ASSERT_TRUE(engine.addCode(buildScript("Do : n = n + 1 : Loop")));
  const auto start = Clock::now();
  EXPECT_FALSE(FNF(engine, Value(1.0)).has_value());
  const double took = secondsSince(start);
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(reported.number, err::TimedOut);
  EXPECT_NE(reported.description.find("timed out"), std::string::npos);
  EXPECT_GE(took, 0.19);
  EXPECT_LT(took, 5.0);
  // The engine is usable again afterwards.
  engine.reset();
  ASSERT_TRUE(engine.addCode(buildScript("MyFunction = x")));
  EXPECT_EQ(FNF(engine, Value(3.0))->toDouble(), 3);
}

// The time-out reaches inside one long step of a run: no loop turn or call
// comes after these, yet each ends with the time-out.
TEST(Limits, TheTimeOutReachesInsideLongBuiltIns) {
  const char* steps[] = {
      "s = String(60000000, \"a\") : MyFunction = UCase(s)",
      "s = String(60000000, \"a\") : MyFunction = InStr(1, s, \"b\", 1)",
      "s = Space(20000000) : MyFunction = Replace(s, \" \", \"xy\")",
      "s = Space(60000000) : MyFunction = StrComp(s, s & \"x\", 1)",
      "MyFunction = UBound(Split(Space(20000000), \" \"))",
  };
  for (const char* step : steps) {
    VBScriptEngine engine;
    engine.setTimeout(std::chrono::milliseconds(1));
    ASSERT_TRUE(engine.addCode(buildScript(step)));
    EXPECT_FALSE(FNF(engine, Value(1.0)).has_value()) << step;
    EXPECT_EQ(engine.lastError().number, err::TimedOut) << step;
  }
}

// Searches are linear in their texts: this one took minutes when each
// place of the text was tried against the whole searched-for text.
TEST(Limits, SearchesStayLinear) {
  const auto start = Clock::now();
  EXPECT_EQ(evalAt("MyFunction = x - 2 + 0 * InStr(String(3200000, \"a\"), String(1600000, \"a\") & \"b\")", 2),
            "Double 0");
  EXPECT_EQ(evalAt("MyFunction = InStrRev(String(3200000, \"a\"), \"b\" & String(1600000, \"a\"))"), "Long 0");
  EXPECT_EQ(evalAt("MyFunction = Len(Replace(String(3200000, \"a\"), String(1600000, \"a\") & \"b\", \"\"))"),
            "Long 3200000");
  EXPECT_LT(secondsSince(start), 60);  // a bound against a hang, not a measure
}

// A run that ends on its own just as its time-out comes leaves no abort for
// the next run: a short run after one about as long as the time-out is
// never cut off.
TEST(Limits, AnAbortNeverReachesTheNextRun) {
  VBScriptEngine engine;
  engine.setTimeout(std::chrono::milliseconds(1));
  ASSERT_TRUE(engine.addCode(buildScript("If x > 0 Then n = 1000000 Else n = 2\r\nFor i = 1 To n : Next\r\nMyFunction = x")));
  int cutShort = 0;
  for (int i = 0; i < 500; ++i) {
    FNF(engine, Value(1.0));  // ends on its own or is cut off, about the time-out either way
    if (!FNF(engine, Value(-1.0))) ++cutShort;
  }
  EXPECT_EQ(cutShort, 0);
}

// Strings each within their limit, arrays, and text compiled while the
// function runs, together stay within one budget; what a failing run held
// is given back, and the next run starts clean.
TEST(Limits, MemoryIsBoundedAsAWholeAndGivenBack) {
  const std::size_t before = memoryInUse();
  for (const char* shape : {
           "ReDim a(100): For i = 0 To 100: a(i) = Space(60000000) & i: Next : MyFunction = 1",
           "s = Space(60000000) : ReDim a(199) : For i = 0 To 199 : a(i) = s : Next : b = Filter(a, \" \")",
           "Execute String(16000000, \":\") & \"MyFunction = 1\"",
       }) {
    EXPECT_EQ(evalAt(shape, 1), "Error 7 : Out of memory") << shape;
    EXPECT_EQ(memoryInUse(), before) << shape;
  }
  // Strings that share their text count once.
  EXPECT_EQ(evalAt("s = Space(60000000) : ReDim a(199) : For i = 0 To 199 : a(i) = s : Next : MyFunction = Len(a(9))"),
            "Long 60000000");
  EXPECT_EQ(memoryInUse(), before);
}

TEST(Limits, RunawayGlobalCodeIsCutOffToo) {
  VBScriptEngine engine;
  engine.setTimeout(std::chrono::milliseconds(100));
  EXPECT_FALSE(engine.addCode("While True : Wend"));
  EXPECT_EQ(engine.lastError().number, err::TimedOut);
}

TEST(Limits, HugeTexts) {
  std::string lines;
  for (int i = 0; i < 10000; ++i) lines += "MyFunction = MyFunction + 1\r\n";
  EXPECT_EQ(evalAt(lines), "Integer 10000");
  const std::string longLine = "MyFunction = \"" + std::string(1 << 20, 'a') + "\"";
  EXPECT_EQ(evalAt("s = 0\r\n" + longLine + "\r\nMyFunction = Len(MyFunction)"), "Long 1048576");
}

TEST(Limits, ControlCharactersAndInvalidUtf8AreInvalidCharacters) {
  EXPECT_EQ(evalAt(std::string("MyFunction = 1\x01")), "Error 1032 : Invalid character");
  EXPECT_EQ(evalAt(std::string("MyFunction = \xff\xfe")), "Error 1032 : Invalid character");
  EXPECT_EQ(evalAt(std::string("MyFunction = 1", 14) + std::string(1, '\0')), "Error 1032 : Invalid character");
  EXPECT_EQ(evalAt("MyFunction = \"\xc3\xa9\xff\""), "String \xc3\xa9\xff");
}

TEST(Engine, ReportsEachFailureThenFails) {
  VBScriptEngine engine;
  std::vector<int> numbers;
  engine.setErrorSink([&](const ScriptError& e) { numbers.push_back(e.number); });
  EXPECT_FALSE(engine.addCode("Function f(\r\nEnd Function"));
  ASSERT_TRUE(engine.addCode(buildScript("MyFunction = 1 / x")));
  EXPECT_FALSE(FNF(engine, Value(0.0)).has_value());
  EXPECT_EQ(FNF(engine, Value(4.0))->toDouble(), 0.25);
  EXPECT_EQ(numbers, (std::vector<int>{1010, 11}));
}

TEST(Engine, RunOfAMissingProcedureFailsSilently) {
  VBScriptEngine engine;
  int reports = 0;
  engine.setErrorSink([&](const ScriptError&) { ++reports; });
  ASSERT_TRUE(engine.addCode("Function f(a)\r\n f = a\r\nEnd Function"));
  const Value arg(1.0);
  EXPECT_FALSE(engine.run("g", std::span<const Value>(&arg, 1)).has_value());
  EXPECT_EQ(reports, 0);
  EXPECT_TRUE(engine.run("F", std::span<const Value>(&arg, 1)).has_value());  // names ignore case
}

TEST(Engine, ResetDiscardsCodeAndGlobals) {
  VBScriptEngine engine;
  ASSERT_TRUE(engine.addCode("Dim g\r\ng = 5\r\nFunction f()\r\n f = g\r\nEnd Function"));
  EXPECT_EQ(engine.run("f", {})->toDouble(), 5);
  engine.reset();
  EXPECT_FALSE(engine.run("f", {}).has_value());
  ASSERT_TRUE(engine.addCode("Function f()\r\n f = g\r\nEnd Function"));
  EXPECT_TRUE(engine.run("f", {})->isEmpty());
}

TEST(Engine, AFailedAddCodeAddsNothing) {
  VBScriptEngine engine;
  EXPECT_FALSE(engine.addCode("Function f()\r\n f = 1\r\nEnd Function\r\nx = (1"));
  EXPECT_FALSE(engine.run("f", {}).has_value());
}

}  // namespace
}  // namespace zorvan

namespace zorvan {
namespace {

using testing::evalAt;

TEST(BadInput, HugeAndTinyLiterals) {
  EXPECT_EQ(evalAt("MyFunction = 1e400"), "Error 1031 : Invalid number");
  EXPECT_EQ(evalAt("MyFunction = 1e-400"), "Double 0");
  EXPECT_EQ(evalAt("MyFunction = 99999999999999999999999"), "Double 1E+23");
  EXPECT_EQ(evalAt("MyFunction = 1e308 * 10"), "Error 6 : Overflow");
  EXPECT_EQ(evalAt("MyFunction = &H123456789"), "Error 1031 : Invalid number");
  EXPECT_EQ(evalAt("MyFunction = " + std::string(5000, '9')), "Error 1031 : Invalid number");
  EXPECT_EQ(evalAt("MyFunction = 0." + std::string(5000, '0') + "1"), "Double 0");
}

TEST(BadInput, FunctionsFailingInPartOfTheLine) {
  EXPECT_EQ(evalAt("MyFunction = Sqr(x) + Log(x)", 4), "Double 3.38629436111989");
  EXPECT_EQ(evalAt("MyFunction = Sqr(x) + Log(x)", 0), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(evalAt("MyFunction = 1 / (x - 1)", 1), "Error 11 : Division by zero");
  EXPECT_EQ(evalAt("MyFunction = x ^ 0.5", -4), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(evalAt("MyFunction = 0 ^ x", -1), "Error 11 : Division by zero");
  EXPECT_EQ(evalAt("MyFunction = Exp(x) * 0", 800), "Error 6 : Overflow");
}

TEST(BadInput, RunawayLoopsOfEveryKindAreCutOff) {
  for (const char* text : {"Do : Loop", "While 1 : Wend", "For i = 1 To 2 Step 0 : Next", "Do Until False : Loop",
                           "For i = 1 To 2 : i = 1 : Next"})
    EXPECT_TRUE(testing::cutOffByTimeOut(text, std::chrono::milliseconds(100))) << text;
}

TEST(BadInput, MutualRecursionRunsOutOfStackSpace) {
  const std::string text = "UserFN = A(1)\r\nEnd Function\r\nFunction A(n)\r\n A = B(n)\r\nEnd Function\r\n"
                           "Function B(n)\r\n B = A(n + 1)\r\nEnd Function\r\nFunction T()";
  EXPECT_EQ(evalAt(text), "Error 28 : Out of stack space");
}

TEST(BadInput, EmptyAndBlankTexts) {
  EXPECT_EQ(evalAt(""), "Empty");
  EXPECT_EQ(evalAt("\r\n\r\n   \t\r\n"), "Empty");
  EXPECT_EQ(evalAt(":::"), "Empty");
  EXPECT_EQ(evalAt("'only a comment"), "Empty");
  EXPECT_EQ(evalAt("_"), "Empty");  // a continuation onto the line that follows
  EXPECT_EQ(evalAt("a = 1 _ b"), "Error 1032 : Invalid character");
}

}  // namespace
}  // namespace zorvan
