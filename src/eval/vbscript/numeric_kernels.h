#pragma once
// The arithmetic of the numeric fast paths on doubles, shared by the
// bytecode's handlers and the numeric plans: each gives a NaN or an infinity
// where the general path fails or takes over.

#include <cmath>

#include "eval/vbscript/nodes.h"

namespace zorvan::vbs {

inline double addKernel(double x, double y) { return x + y; }
inline double subKernel(double x, double y) { return x - y; }
inline double mulKernel(double x, double y) { return x * y; }
inline double divKernel(double x, double y) { return y != 0 ? x / y : NAN; }
inline double powKernel(double x, double y) { return x == 0 && y < 0 ? NAN : std::pow(x, y); }

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

}  // namespace zorvan::vbs
