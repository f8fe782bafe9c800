#pragma once
// Threaded code: each handler ends by jumping to the next instruction's
// handler itself, one indirect jump per handler, which predicts far better
// than one shared switch. A function using these names its handler table
// kHandlers, its instructions' start `start` and the one being run `in`.

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
