// One evaluation of f per iteration: our engine through FNF beside the same
// function in plain C++, fparser, muparser and Lua 5.4. Two sweeps over the
// same 1000 points: in shuffled order (independent evaluations, branches
// unpredictable), and chained, where each x depends on the previous result
// as in a search, so that latency is measured rather than throughput.
#include <benchmark/benchmark.h>
#include <fparser.hh>
#include <lua5.4/lauxlib.h>
#include <lua5.4/lua.hpp>
#include <lua5.4/lualib.h>
#include <muParser.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "ratio_report.h"

namespace {

using zorvan::Value;

std::vector<double> shuffledPoints() {
  std::vector<double> xs;
  for (int i = 0; i < 1000; ++i) xs.push_back(-10.0 + 20.0 * i / 999.0);
  std::shuffle(xs.begin(), xs.end(), std::mt19937(20261208));
  return xs;
}
const std::vector<double> kPoints = shuffledPoints();

// Runs f over the points. Chained, the next x is the point plus 0*f(previous):
// the same value, but it cannot be computed before the previous result.
template <bool Chained, class F>
void sweep(benchmark::State& state, F&& f) {
  std::size_t i = 0;
  double y = 0;
  for (auto _ : state) {
    const double x = Chained ? kPoints[i] + 0.0 * y : kPoints[i];
    y = f(x);
    benchmark::DoNotOptimize(y);
    if (++i == kPoints.size()) i = 0;
  }
}

// The functions in plain C++. F0 is x itself: the cost of a call alone.
[[gnu::noinline]] double f0(double x) { return x; }
[[gnu::noinline]] double f1(double x) { return x * x - x * std::cos(x) - 6; }
[[gnu::noinline]] double f2(double x) { return x < 0 ? -x * x + 1 : std::sqrt(x) - 1; }
[[gnu::noinline]] double f3(double x) {
  double s = 0;
  for (int i = 1; i <= 20; ++i) s = s + std::sin(i * x) / i;
  return s;
}
// F4: a helper procedure called twice; F5: Horner over an array built at each call.
[[gnu::noinline]] double g4(double t) { return t * t - 2; }
[[gnu::noinline]] double f4(double x) { return g4(x) * std::cos(x) + g4(x / 2); }
[[gnu::noinline]] double f5(double x) {
  const double c[] = {1, -3, 0.5, 2, -1, 0.25, 0.1, -0.05, 0.01};
  double s = 0;
  for (int i = 8; i >= 0; --i) s = s * x + c[i];
  return s;
}

struct Function {
  const char* script;  // the user's text
  double (*native)(double);
  const char* expression;  // for fparser and muparser; null where they cannot say it
  const char* fparser;
  const char* lua;
};

const Function kF0{"MyFunction = x\r\n", f0, "x", "x", "function f(x) return x end"};
const Function kF1{"MyFunction = x*x - x*Cos(x) -6\r\n", f1, "x*x - x*cos(x) - 6", "x*x - x*cos(x) - 6",
                   "function f(x) return x*x - x*math.cos(x) - 6 end"};
const Function kF2{"If x < 0 Then\r\n  MyFunction = -x*x + 1\r\nElse\r\n  MyFunction = Sqr(x) - 1\r\nEnd If\r\n", f2,
                   "x < 0 ? -x*x + 1 : sqrt(x) - 1", "if(x < 0, -x*x + 1, sqrt(x) - 1)",
                   "function f(x) if x < 0 then return -x*x + 1 else return math.sqrt(x) - 1 end end"};
const Function kF3{"s = 0\r\nFor i = 1 To 20\r\n  s = s + Sin(i*x)/i\r\nNext\r\nMyFunction = s\r\n", f3, nullptr,
                   nullptr, "function f(x) local s = 0 for i = 1, 20 do s = s + math.sin(i*x)/i end return s end"};

// The function box's text sits inside UserFN: a helper procedure is
// declared by ending UserFN early and leaving one open for the closing lines.
const Function kF4{"MyFunction = G(x)*Cos(x) + G(x/2)\r\nUserFN = MyFunction\r\nEnd Function\r\nFunction G(t)\r\n"
                   "  G = t*t - 2\r\nEnd Function\r\nFunction Unused()\r\n",
                   f4, nullptr, nullptr,
                   "local function g(t) return t*t - 2 end function f(x) return g(x)*math.cos(x) + g(x/2) end"};
const Function kF5{"c = Array(1, -3, 0.5, 2, -1, 0.25, 0.1, -0.05, 0.01)\r\ns = 0\r\nFor i = UBound(c) To 0 Step -1\r\n"
                   "  s = s*x + c(i)\r\nNext\r\nMyFunction = s\r\n",
                   f5, nullptr, nullptr,
                   "function f(x) local c = {1, -3, 0.5, 2, -1, 0.25, 0.1, -0.05, 0.01} local s = 0 "
                   "for i = #c, 1, -1 do s = s*x + c[i] end return s end"};

template <bool Chained>
void native(benchmark::State& state, const Function& fn) {
  sweep<Chained>(state, fn.native);
}

template <bool Chained>
void zorvanFNF(benchmark::State& state, const Function& fn) {
  zorvan::VBScriptEngine e;
  if (!e.addCode(zorvan::buildScript(fn.script))) return state.SkipWithError("script did not compile");
  const zorvan::UserFunction f(e);
  for (double x : kPoints)
    if (std::fabs(f(Value(x))->toDouble() - fn.native(x)) > 1e-12) return state.SkipWithError("wrong value");
  sweep<Chained>(state, [&](double x) { return f(Value(x))->rawDouble(); });
}

template <bool Chained>
void fparser(benchmark::State& state, const Function& fn) {
  FunctionParser p;
  if (p.Parse(fn.fparser, "x") >= 0) return state.SkipWithError("fparser did not parse");
  p.Optimize();
  sweep<Chained>(state, [&](double x) { return p.Eval(&x); });
}

template <bool Chained>
void muparser(benchmark::State& state, const Function& fn) {
  double var = 0;
  mu::Parser p;
  p.DefineVar("x", &var);
  p.SetExpr(fn.expression);
  sweep<Chained>(state, [&](double x) {
    var = x;
    return p.Eval();
  });
}

template <bool Chained>
void lua(benchmark::State& state, const Function& fn) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  if (luaL_dostring(L, fn.lua) != LUA_OK) {
    lua_close(L);
    return state.SkipWithError("lua did not compile");
  }
  sweep<Chained>(state, [&](double x) {
    lua_getglobal(L, "f");
    lua_pushnumber(L, x);
    lua_pcall(L, 1, 1, 0);
    const double y = lua_tonumber(L, -1);
    lua_pop(L, 1);
    return y;
  });
  lua_close(L);
}

template <bool Chained>
void registerFamily(const char* family, const Function& fn) {
  const std::string f = std::string(family) + (Chained ? "-chained" : "-shuffled");
  benchmark::RegisterBenchmark((f + "/native").c_str(), native<Chained>, fn);
  benchmark::RegisterBenchmark((f + "/zorvan").c_str(), zorvanFNF<Chained>, fn);
  if (fn.expression != nullptr) {
    benchmark::RegisterBenchmark((f + "/fparser").c_str(), fparser<Chained>, fn);
    benchmark::RegisterBenchmark((f + "/muparser").c_str(), muparser<Chained>, fn);
  }
  benchmark::RegisterBenchmark((f + "/lua").c_str(), lua<Chained>, fn);
}

}  // namespace

int main(int argc, char** argv) {
  for (auto [name, fn] : {std::pair{"F0", &kF0}, {"F1", &kF1}, {"F2", &kF2}, {"F3", &kF3}, {"F4", &kF4}, {"F5", &kF5}}) {
    registerFamily<false>(name, *fn);
    registerFamily<true>(name, *fn);
  }
  return zorvan::bench::runWithRatios(argc, argv, "native");
}
