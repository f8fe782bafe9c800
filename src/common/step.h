#pragma once
// The step-failure policy: a failing step is abandoned and the next one runs;
// a test whose condition fails to evaluate counts as met. Each numbered step
// of the search is written as one call of these helpers. A condition may
// give its failure as a value (anything with failed() and holds()), which
// costs no exception; a failure raised inside a step or test is caught here.

#include <concepts>
#include <type_traits>
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

namespace detail {
template <class T>
concept FailureAware = requires(const T& t) {
  { t.failed() } -> std::convertible_to<bool>;
  { t.holds() } -> std::convertible_to<bool>;
};

// The condition's outcome, or `onFailure` where it failed to evaluate.
template <class Condition>
bool evaluate(Condition&& condition, bool onFailure) {
  try {
    const auto r = std::forward<Condition>(condition)();
    if constexpr (FailureAware<std::decay_t<decltype(r)>>) return r.failed() ? onFailure : r.holds();
    else return static_cast<bool>(r);
  } catch (const ScriptError&) {
    return onFailure;
  }
}
}  // namespace detail

// Evaluates a test; a failure counts as the condition being met.
template <class Condition>
bool test(Condition&& condition) {
  return detail::evaluate(std::forward<Condition>(condition), true);
}

// Evaluates a test whose failure counts as not met.
template <class Condition>
bool testOrFalse(Condition&& condition) {
  return detail::evaluate(std::forward<Condition>(condition), false);
}

}  // namespace zorvan
