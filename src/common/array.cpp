#include "common/array.h"

#include <algorithm>
#include <atomic>

#include "common/abort.h"
#include "common/limits.h"
#include "common/memory_budget.h"

namespace zorvan {

namespace {

// Elements held by every array of the process: the limit on it keeps any
// script's arrays, nested or not, within a bounded amount of memory.
std::atomic<std::size_t> liveElements{0};

void reserveElements(std::size_t n) {
  std::size_t live = liveElements.load(std::memory_order_relaxed);
  do {
    if (n > kMaxArrayElements - live) raise(err::OutOfMemory);
  } while (!liveElements.compare_exchange_weak(live, live + n, std::memory_order_relaxed));
  try {
    chargeMemory(n * sizeof(Value));
  } catch (...) {
    liveElements.fetch_sub(n, std::memory_order_relaxed);
    throw;
  }
}

void releaseElements(std::size_t n) {
  liveElements.fetch_sub(n, std::memory_order_relaxed);
  releaseMemory(n * sizeof(Value));
}

// The element count of these bounds, or "Out of memory" beyond the limit.
std::size_t elementCount(std::span<const std::int32_t> upper) {
  if (upper.size() > kMaxDimensions) raise(err::SubscriptOutOfRange);
  std::size_t n = 1;
  for (const std::int32_t u : upper) {
    if (u < -1) raise(err::SubscriptOutOfRange);
    const auto extent = static_cast<std::size_t>(static_cast<std::int64_t>(u) + 1);
    if (extent != 0 && n > kMaxArrayElements / extent) raise(err::OutOfMemory);
    n *= extent;
  }
  return n;
}

ArrayRep* sized(std::span<const std::int32_t> upper) {
  const std::size_t n = elementCount(upper);
  reserveElements(n);
  auto* rep = new ArrayRep;
  rep->upper.assign(upper.begin(), upper.end());
  rep->items.resize(n);
  return rep;
}

const ArrayRep& arrayOfValue(const Value& v) {
  if (!v.isArray()) raise(err::TypeMismatch);
  return v.arrayRep();
}

std::int32_t bound(const Value& a, std::int32_t dimension, bool upper) {
  const ArrayRep& rep = arrayOfValue(a);
  if (dimension < 1 || static_cast<std::size_t>(dimension) > rep.upper.size()) raise(err::SubscriptOutOfRange);
  return upper ? rep.upper[static_cast<std::size_t>(dimension) - 1] : 0;
}

}  // namespace

ArrayRep::ArrayRep(const ArrayRep& o) : Shared{}, upper(o.upper) {
  reserveElements(o.items.size());
  // A copy of millions of elements still answers the run's abort.
  try {
    items.reserve(o.items.size());
    for (std::size_t at = 0; at < o.items.size(); at += kAbortCheckStride) {
      stopIfAborted();
      const auto from = o.items.begin() + static_cast<std::ptrdiff_t>(at);
      items.insert(items.end(), from, from + static_cast<std::ptrdiff_t>(std::min(kAbortCheckStride, o.items.size() - at)));
    }
  } catch (...) {
    releaseElements(o.items.size());
    throw;
  }
}

ArrayRep::~ArrayRep() { releaseElements(items.size()); }

Value newArray(std::span<const std::int32_t> upper) { return Value::array(sized(upper)); }

Value unsizedArray() { return Value::array(new ArrayRep); }

Value arrayOf(std::vector<Value> items) {
  if (items.size() > static_cast<std::size_t>(INT32_MAX)) raise(err::OutOfMemory);
  reserveElements(items.size());
  auto* rep = new ArrayRep;
  rep->upper.push_back(static_cast<std::int32_t>(items.size()) - 1);
  rep->items = std::move(items);
  return Value::array(rep);
}

std::size_t elementIndex(const ArrayRep& a, std::span<const std::int32_t> subscripts) {
  if (subscripts.size() != a.upper.size()) raise(err::SubscriptOutOfRange);
  std::size_t index = 0, stride = 1;
  for (std::size_t i = 0; i < subscripts.size(); ++i) {
    const std::int32_t s = subscripts[i];
    if (s < 0 || s > a.upper[i]) raise(err::SubscriptOutOfRange);
    index += static_cast<std::size_t>(s) * stride;
    stride *= static_cast<std::size_t>(a.upper[i]) + 1;
  }
  return index;
}

void redimension(Value& var, std::span<const std::int32_t> upper, bool preserve) {
  if (!preserve || !var.isArray() || var.arrayRep().upper.empty()) {
    if (preserve && !var.isArray() && !var.isEmpty()) raise(err::TypeMismatch);
    var = newArray(upper);
    return;
  }
  const ArrayRep& old = var.arrayRep();
  if (old.upper.size() != upper.size() ||
      !std::equal(upper.begin(), upper.end() - 1, old.upper.begin()))
    raise(err::SubscriptOutOfRange);
  // Only the last dimension changes, so the elements kept lie at the front.
  Value grown = newArray(upper);
  ArrayRep& rep = grown.ownArray();
  const std::size_t kept = std::min(rep.items.size(), old.items.size());
  std::copy(old.items.begin(), old.items.begin() + static_cast<std::ptrdiff_t>(kept), rep.items.begin());
  var = std::move(grown);
}

void erase(Value& var, bool fixed) {
  if (!var.isArray()) raise(err::TypeMismatch);
  if (!fixed) {
    var = unsizedArray();
    return;
  }
  for (Value& v : var.ownArray().items) v.reset();
}

std::int32_t upperBound(const Value& a, std::int32_t dimension) { return bound(a, dimension, true); }
std::int32_t lowerBound(const Value& a, std::int32_t dimension) { return bound(a, dimension, false); }

}  // namespace zorvan
