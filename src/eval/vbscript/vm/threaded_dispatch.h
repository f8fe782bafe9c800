#pragma once
// Threaded code: each handler ends by jumping to the next instruction's
// handler itself, one indirect jump per handler, which predicts far better
// than one shared switch. A function using these names its handler table
// kHandlers, its instructions' start `start` and the one being run `in`.

// The handler table of the opcode list LIST of enum OP, each handler's label
// made by LABEL from the entry's name, and checked entry by entry against
// the enum made from the same list.
#define ZORVAN_HANDLER_TABLE(LIST, OP, LABEL)                                 \
  static constexpr void* kHandlers[] = {LIST(LABEL)};                         \
  static_assert([] {                                                          \
    using enum OP;                                                            \
    constexpr OP order[] = {LIST(ZORVAN_AS_ENUMERATOR)};                      \
    return std::size(order) == std::size(kHandlers) && inListOrder(order);    \
  }())

#define ZORVAN_DISPATCH goto* kHandlers[static_cast<std::size_t>(in->op)]
#define ZORVAN_NEXT  \
  do {               \
    ++in;            \
    ZORVAN_DISPATCH; \
  } while (0)
#define ZORVAN_JUMP(target) \
  do {                      \
    in = start + (target);  \
    ZORVAN_DISPATCH;        \
  } while (0)
