#pragma once
// The step-failure policy: a failing step is abandoned and the next one runs;
// a test whose condition fails to evaluate counts as met. Each numbered step
// of the search is written as one call of these helpers.

#include <utility>

#include "common/error.h"

namespace zorvan {

// Runs one step; a failure abandons the rest of it and is swallowed.
template <class Step>
void step(Step&& body) {
  try {
    std::forward<Step>(body)();
  } catch (const ScriptError&) {
  }
}

// Evaluates a test; a failure counts as the condition being met.
template <class Condition>
bool test(Condition&& condition) {
  try {
    return std::forward<Condition>(condition)();
  } catch (const ScriptError&) {
    return true;
  }
}

// Evaluates a test whose failure counts as not met.
template <class Condition>
bool testOrFalse(Condition&& condition) {
  try {
    return std::forward<Condition>(condition)();
  } catch (const ScriptError&) {
    return false;
  }
}

}  // namespace zorvan
