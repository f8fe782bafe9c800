#pragma once
// The root search. Interval mode (SearchInterval true): Arg1 and Arg2 are the
// interval's ends, in either order. Approximation mode: Arg1 is the starting
// approximation and Arg2 the non-negative option (1 asks for a positive
// second start when the approximation is 0). Runs the whole search before it
// returns; roots go to the services' results box.

#include "common/value.h"
#include "solver/services.h"

namespace zorvan {

void SolveNow(const Value& Arg1, const Value& Arg2, bool SearchInterval, SearchServices services);

}  // namespace zorvan
