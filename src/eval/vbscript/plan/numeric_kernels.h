#pragma once
// The arithmetic of the numeric fast paths on doubles, shared by the
// bytecode's handlers and the numeric plans: each gives a NaN or an infinity
// where the general path fails or takes over.

#include <cmath>
#include <cstdint>

#include "eval/vbscript/bytecode/opcodes.h"

namespace zorvan::vbs {

inline double addKernel(double x, double y) { return x + y; }
inline double subKernel(double x, double y) { return x - y; }
inline double mulKernel(double x, double y) { return x * y; }
inline double divKernel(double x, double y) { return y != 0 ? x / y : NAN; }
inline double powKernel(double x, double y) { return x == 0 && y < 0 ? NAN : std::pow(x, y); }

// The domains of the math functions that have one, for the kernels here and
// for the built-ins, which fail with "Invalid procedure call or argument"
// outside them.
inline bool inSqrDomain(double d) { return d >= 0; }
inline bool inLogDomain(double d) { return d > 0; }

// The math functions' kernels. Machine code does Sqr and Abs inline rather
// than call them.
inline double sqrKernel(double d) { return inSqrDomain(d) ? std::sqrt(d) : NAN; }
inline double absKernel(double d) { return std::fabs(d); }
inline double logKernel(double d) { return inLogDomain(d) ? std::log(d) : NAN; }
inline double atnKernel(double d) { return std::atan(d); }
inline double sinKernel(double d) { return std::sin(d); }
inline double cosKernel(double d) { return std::cos(d); }
inline double tanKernel(double d) { return std::tan(d); }
inline double expKernel(double d) { return std::exp(d); }
inline double intKernel(double d) { return std::floor(d); }
inline double fixKernel(double d) { return std::trunc(d); }

// Whether a kernel's result is never finite where its argument is not, so
// that a check on the result covers the argument too (Exp and Atn map
// infinities to numbers).
inline bool keepsNonFinite(double (*kernel)(double)) {
  for (auto k : {&sqrKernel, &absKernel, &logKernel, &sinKernel, &cosKernel, &tanKernel, &intKernel, &fixKernel})
    if (kernel == k) return true;
  return false;
}

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
