#include "eval/vbscript/vm/array_ops.h"

#include <span>
#include <vector>

#include "common/array.h"

namespace zorvan::vbs {

namespace {

// Registers first .. first+count-1 as whole numbers: subscripts or bounds.
std::span<const std::int32_t> wholes(Slot* R, std::int32_t first, std::int32_t count, std::int32_t* out) {
  if (count > static_cast<std::int32_t>(kMaxDimensions)) raise(err::SubscriptOutOfRange);
  for (std::int32_t i = 0; i < count; ++i) out[i] = R[first + i].ref->toLong();
  return {out, static_cast<std::size_t>(count)};
}

// The array a variable holds, or "Type mismatch" naming the variable.
const ArrayRep& arrayIn(const Value& v, const Ins& in, const Code& code) {
  if (!v.isArray()) raise(err::TypeMismatch, code.texts[static_cast<std::size_t>(subscriptName(in.n))]);
  return v.arrayRep();
}

}  // namespace

void newArrayOp(const Ins& in, const Code& code, Slot* R, Runtime& rt) {
  placeOf(in.a, R, rt) = in.flag ? newArray(code.shapes[static_cast<std::size_t>(in.b)]) : unsizedArray();
}

void makeArrayOp(const Ins& in, Slot* R) {
  std::vector<Value> items(static_cast<std::size_t>(in.c));
  for (std::int32_t i = 0; i < in.c; ++i) items[static_cast<std::size_t>(i)] = *R[in.b + i].ref;
  *R[in.a].ref = arrayOf(std::move(items));
}

void indexOp(const Ins& in, const Code& code, Slot* R, Runtime& rt) {
  const ArrayRep& rep = arrayIn(placeOf(in.b, R, rt), in, code);
  std::int32_t subscripts[kMaxDimensions];
  Value element = rep.items[elementIndex(rep, wholes(R, in.c, subscriptCount(in.n), subscripts))];
  *R[in.a].ref = std::move(element);
}

void setIndexOp(const Ins& in, const Code& code, Slot* R, Runtime& rt) {
  // The value first: an array stored into one of its own elements is a copy of it.
  Value v = operandOf(in.c, R, code.constants.data());
  checkAssigned(v, in.flag);
  Value& array = placeOf(in.a, R, rt);
  std::int32_t subscripts[kMaxDimensions];
  const std::size_t at = elementIndex(arrayIn(array, in, code), wholes(R, in.b, subscriptCount(in.n), subscripts));
  array.ownArray().items[at] = std::move(v);
}

void redimOp(const Ins& in, Slot* R, Runtime& rt) {
  std::int32_t upper[kMaxDimensions];
  redimension(placeOf(in.a, R, rt), wholes(R, in.b, in.c, upper), in.flag);
}

void eraseOp(const Ins& in, Slot* R, Runtime& rt) { erase(placeOf(in.a, R, rt), in.flag); }

bool forEachFirst(const Ins& in, Slot* R, Runtime& rt) {
  const Value& collection = *R[in.b].ref;
  if (!collection.isArray()) raise(err::NotACollection);
  *R[in.b + 1].ref = Value::longInt(0);
  if (collection.arrayRep().items.empty()) return false;
  placeOf(in.a, R, rt) = collection.arrayRep().items.front();
  return true;
}

bool forEachNext(const Ins& in, Slot* R, Runtime& rt) {
  const ArrayRep& rep = R[in.b].ref->arrayRep();
  Value& position = *R[in.b + 1].ref;
  const std::int32_t next = position.rawWhole() + 1;
  position = Value::longInt(next);
  rt.tick();
  if (static_cast<std::size_t>(next) >= rep.items.size()) return false;
  placeOf(in.a, R, rt) = rep.items[static_cast<std::size_t>(next)];
  return true;
}

}  // namespace zorvan::vbs
