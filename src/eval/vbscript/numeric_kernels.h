#pragma once
// The arithmetic of the numeric fast paths on doubles, shared by the
// bytecode's handlers and the numeric plans: each gives a NaN or an infinity
// where the general path fails or takes over.

#include <cmath>
#include <cstdint>

#include "eval/vbscript/nodes.h"

namespace zorvan::vbs {

inline double addKernel(double x, double y) { return x + y; }
inline double subKernel(double x, double y) { return x - y; }
inline double mulKernel(double x, double y) { return x * y; }
inline double divKernel(double x, double y) { return y != 0 ? x / y : NAN; }
inline double powKernel(double x, double y) { return x == 0 && y < 0 ? NAN : std::pow(x, y); }

// Sqr and Abs, which machine code does inline rather than call.
inline double sqrKernel(double d) { return d >= 0 ? std::sqrt(d) : NAN; }
inline double absKernel(double d) { return std::fabs(d); }

// A comparison of two numbers.
inline bool holds(BinOp op, double x, double y) {
  switch (op) {
    case BinOp::Eq: return x == y;
    case BinOp::Ne: return x != y;
    case BinOp::Lt: return x < y;
    case BinOp::Gt: return x > y;
    case BinOp::Le: return x <= y;
    default: return x >= y;
  }
}

// A For loop's start in a plan's registers: the counter takes the start
// value, whose register then holds whether the step is negative (-1) or not
// (0); the end and the step follow the start. True where the loop does not
// turn at all.
inline bool forLoopSkipped(double* r, std::int32_t counter, std::int32_t from) {
  const bool down = r[from + 2] < 0;
  r[counter] = r[from];
  r[from] = down ? -1 : 0;
  return down ? r[counter] < r[from + 1] : r[counter] > r[from + 1];
}

}  // namespace zorvan::vbs
