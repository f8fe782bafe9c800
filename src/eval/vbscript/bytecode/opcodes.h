#pragma once
// The bytecode's instruction set, in one list: the Op enum, the names the
// listing prints and the interpreter's handler table are all made from it,
// so the three cannot fall out of step.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zorvan::vbs {

// An operand RK is a register when it is 0 or more and the constant ~RK otherwise.
#define ZORVAN_OPCODES(X)                                                                                   \
  X(Move)         /* R[a] = RK(b) */                                                                        \
  X(Assign)       /* R[a] = RK(b), refusing an object (flag: Set, refusing anything else) */                \
  X(AssignReturn) /* Assign, then Return */                                                                 \
  X(GetGlobal)    /* R[a] = G[b] */                                                                         \
  X(SetGlobal)    /* G[a] = RK(b), checked as Assign */                                                     \
  X(Add) X(Sub) X(Mul) X(Div) X(Pow) /* R[a] = RK(b) op RK(c) */                                            \
  X(AddK) X(SubK) X(MulK) X(DivK)    /* the same with RK(c) the number k; flag: k is the left operand */    \
  X(Binary)       /* R[a] = RK(b) bop RK(c), for the operators without a numeric fast path */               \
  X(Compare)      /* R[a] = RK(b) bop RK(c), a comparison */                                                \
  X(Branch)       /* goto a when the comparison RK(b) bop RK(c) holds == flag (Null never holds) */         \
  X(BranchK)      /* the same with RK(c) the number k */                                                    \
  X(Neg)          /* R[a] = -RK(b) */                                                                       \
  X(Not)          /* R[a] = Not RK(b) */                                                                    \
  X(Jump)         /* goto a */                                                                              \
  X(JumpIf)       /* goto a when RK(b) taken as a condition == flag */                                      \
  X(Math)         /* R[a] = builtin(RK(b)), with the builtin's double kernel as fast path */                \
  X(Unary)        /* R[a] = builtin(RK(b)) */                                                               \
  X(CallBuiltin)  /* R[a] = builtin(R[b] .. R[b+c-1]) */                                                    \
  X(CallProc)     /* R[a] = the procedure of call site c, with its arguments */                             \
  X(ToNumber)     /* R[a] = R[a] read as a number */                                                        \
  X(ForPrep)      /* counter a (register, or global ~a) = R[b]; R[b] = step < 0; goto c when done */        \
  X(ForLoop)      /* counter a += R[b+2]; goto c unless done */                                             \
  X(Tick)         /* a loop's turn: the time-out is checked here */                                         \
  X(OnError)      /* On Error Resume Next (flag) or GoTo 0 */                                               \
  X(ErrProperty)  /* R[a] = Err's property b */                                                             \
  X(ErrClear)                                                                                               \
  X(ErrNumber)    /* R[a] = R[a] as the number Err.Raise takes */                                           \
  X(ErrRaise)     /* Err.Raise with R[a] .. R[a+b-1], those of bit mask c given */                          \
  X(ErrSet)       /* Err's property b = R[a] */                                                             \
  X(ScriptText)   /* R[a] = Eval, Execute or ExecuteGlobal (c) of R[b] */                                   \
  X(LateCall)     /* R[a] = the procedure named by text n, found when called, with call site c's arguments */ \
  X(NewArray)     /* place a (register, or global ~a) = a new array of shape b, or unsized (flag false) */  \
  X(MakeArray)    /* R[a] = Array(R[b] .. R[b+c-1]) */                                                      \
  X(Index)        /* R[a] = place b (R[c] .. R[c+n-1]) */                                                   \
  X(SetIndex)     /* place a (R[b] .. R[b+n-1]) = RK(c), checked as Assign */                               \
  X(ReDim)        /* ReDim [Preserve (flag)] place a (R[b] .. R[b+c-1]) */                                  \
  X(Erase)        /* Erase place a, declared with its size (flag) */                                        \
  X(ForEachPrep)  /* R[b] = collection, R[b+1] = 0; goto c when empty, else place a = the first element */  \
  X(ForEachLoop)  /* place a = the next element of R[b] and goto c, unless none is left */                  \
  X(Raise)        /* fails with error a, naming text b (or nothing when b < 0) */                           \
  X(Return)

// Expanders of an opcode list: each entry as an enumerator, as its name.
#define ZORVAN_AS_ENUMERATOR(name) name,
#define ZORVAN_AS_NAME(name) std::string_view(#name),

enum class Op : std::uint8_t { ZORVAN_OPCODES(ZORVAN_AS_ENUMERATOR) };

inline constexpr std::array kOpNames{ZORVAN_OPCODES(ZORVAN_AS_NAME)};

// Whether a table made from an opcode list, entry by entry, holds each
// opcode at the index of its value: what a handler table indexed by opcode
// relies on. Each handler table checks the list it was made from
// (ZORVAN_HANDLER_TABLE).
template <class OpT, std::size_t N>
constexpr bool inListOrder(const OpT (&ops)[N]) {
  for (std::size_t i = 0; i < N; ++i)
    if (static_cast<std::size_t>(ops[i]) != i) return false;
  return true;
}

constexpr std::string_view opName(Op op) { return kOpNames[static_cast<std::size_t>(op)]; }

// The operators of VBScript's binary expressions.
#define ZORVAN_BINARY_OPERATORS(X)                                                                         \
  X(Add, "+") X(Sub, "-") X(Mul, "*") X(Div, "/") X(IntDiv, "\\") X(Mod, "Mod") X(Pow, "^") X(Concat, "&") \
  X(And, "And") X(Or, "Or") X(Xor, "Xor") X(Eqv, "Eqv") X(Imp, "Imp")                                     \
  X(Eq, "=") X(Ne, "<>") X(Lt, "<") X(Gt, ">") X(Le, "<=") X(Ge, ">=") X(Is, "Is")

enum class BinOp : std::uint8_t {
#define ZORVAN_ENUMERATOR(name, text) name,
  ZORVAN_BINARY_OPERATORS(ZORVAN_ENUMERATOR)
#undef ZORVAN_ENUMERATOR
};

#define ZORVAN_OPERATOR_TEXT(name, text) std::string_view(text),
inline constexpr std::array kBinOpTexts{ZORVAN_BINARY_OPERATORS(ZORVAN_OPERATOR_TEXT)};
#undef ZORVAN_OPERATOR_TEXT

constexpr std::string_view binOpText(BinOp op) { return kBinOpTexts[static_cast<std::size_t>(op)]; }
constexpr bool isComparison(BinOp op) { return op >= BinOp::Eq && op <= BinOp::Ge; }

}  // namespace zorvan::vbs
