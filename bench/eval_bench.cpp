// One evaluation of f per iteration, over a sweep of x values: our engine
// through FNF beside the same function in plain C++, in muparser and in Lua 5.4.
#include <benchmark/benchmark.h>
#include <lua5.4/lauxlib.h>
#include <lua5.4/lua.hpp>
#include <lua5.4/lualib.h>
#include <muParser.h>

#include <cmath>
#include <vector>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "ratio_report.h"

namespace {

using zorvan::Value;

std::vector<double> sweep() {
  std::vector<double> xs;
  for (int i = 0; i < 1000; ++i) xs.push_back(-10.0 + 20.0 * i / 999.0);
  return xs;
}
const std::vector<double> kSweep = sweep();

// The three functions in plain C++.
[[gnu::noinline]] double f1(double x) { return x * x - x * std::cos(x) - 6; }
[[gnu::noinline]] double f2(double x) { return x < 0 ? -x * x + 1 : std::sqrt(x) - 1; }
[[gnu::noinline]] double f3(double x) {
  double s = 0;
  for (int i = 1; i <= 20; ++i) s = s + std::sin(i * x) / i;
  return s;
}

constexpr const char* kF1 = "MyFunction = x*x - x*Cos(x) -6\r\n";
constexpr const char* kF2 =
    "If x < 0 Then\r\n  MyFunction = -x*x + 1\r\nElse\r\n  MyFunction = Sqr(x) - 1\r\nEnd If\r\n";
constexpr const char* kF3 = "s = 0\r\nFor i = 1 To 20\r\n  s = s + Sin(i*x)/i\r\nNext\r\nMyFunction = s\r\n";

template <double (*F)(double)>
void native(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(F(kSweep[i]));
    if (++i == kSweep.size()) i = 0;
  }
}

void engine(benchmark::State& state, const char* text, double (*check)(double)) {
  zorvan::VBScriptEngine e;
  if (!e.addCode(zorvan::buildScript(text))) {
    state.SkipWithError("script did not compile");
    return;
  }
  for (double x : kSweep)
    if (std::fabs(zorvan::FNF(e, Value(x))->toDouble() - check(x)) > 1e-12) state.SkipWithError("wrong value");
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zorvan::FNF(e, Value(kSweep[i])));
    if (++i == kSweep.size()) i = 0;
  }
}

void muparser(benchmark::State& state, const char* expression) {
  double x = 0;
  mu::Parser p;
  p.DefineVar("x", &x);
  p.SetExpr(expression);
  std::size_t i = 0;
  for (auto _ : state) {
    x = kSweep[i];
    benchmark::DoNotOptimize(p.Eval());
    if (++i == kSweep.size()) i = 0;
  }
}

void lua(benchmark::State& state, const char* body) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  if (luaL_dostring(L, body) != LUA_OK) {
    state.SkipWithError("lua did not compile");
    lua_close(L);
    return;
  }
  std::size_t i = 0;
  for (auto _ : state) {
    lua_getglobal(L, "f");
    lua_pushnumber(L, kSweep[i]);
    lua_pcall(L, 1, 1, 0);
    benchmark::DoNotOptimize(lua_tonumber(L, -1));
    lua_pop(L, 1);
    if (++i == kSweep.size()) i = 0;
  }
  lua_close(L);
}

constexpr const char* kLuaF1 = "function f(x) return x*x - x*math.cos(x) - 6 end";
constexpr const char* kLuaF2 = "function f(x) if x < 0 then return -x*x + 1 else return math.sqrt(x) - 1 end end";
constexpr const char* kLuaF3 =
    "function f(x) local s = 0 for i = 1, 20 do s = s + math.sin(i*x)/i end return s end";

BENCHMARK(native<f1>)->Name("F1/native");
BENCHMARK_CAPTURE(engine, zorvan, kF1, f1)->Name("F1/zorvan");
BENCHMARK_CAPTURE(muparser, muparser, "x*x - x*cos(x) - 6")->Name("F1/muparser");
BENCHMARK_CAPTURE(lua, lua, kLuaF1)->Name("F1/lua");

BENCHMARK(native<f2>)->Name("F2/native");
BENCHMARK_CAPTURE(engine, zorvan, kF2, f2)->Name("F2/zorvan");
BENCHMARK_CAPTURE(muparser, muparser, "x < 0 ? -x*x + 1 : sqrt(x) - 1")->Name("F2/muparser");
BENCHMARK_CAPTURE(lua, lua, kLuaF2)->Name("F2/lua");

BENCHMARK(native<f3>)->Name("F3/native");
BENCHMARK_CAPTURE(engine, zorvan, kF3, f3)->Name("F3/zorvan");
BENCHMARK_CAPTURE(lua, lua, kLuaF3)->Name("F3/lua");

}  // namespace

int main(int argc, char** argv) { return zorvan::bench::runWithRatios(argc, argv, "native"); }
