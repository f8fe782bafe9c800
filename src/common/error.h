#pragma once
// Script failures: VBScript's error number and description, thrown from the
// point of failure and caught where the failure is reported or swallowed.

#include <cstdint>
#include <string>
#include <string_view>

namespace zorvan {

namespace err {
inline constexpr std::int32_t InvalidCall = 5;
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t OutOfMemory = 7;
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t ArrayLocked = 10;
inline constexpr std::int32_t DivisionByZero = 11;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t OutOfStringSpace = 14;
inline constexpr std::int32_t OutOfStackSpace = 28;
inline constexpr std::int32_t ProcedureNotDefined = 35;
inline constexpr std::int32_t ObjectNotSet = 91;
inline constexpr std::int32_t InvalidUseOfNull = 94;
inline constexpr std::int32_t ObjectRequired = 424;
inline constexpr std::int32_t CannotCreateObject = 429;
inline constexpr std::int32_t ObjectDoesNotSupport = 438;
inline constexpr std::int32_t ArgumentNotOptional = 449;
inline constexpr std::int32_t WrongArguments = 450;
inline constexpr std::int32_t NotACollection = 451;
inline constexpr std::int32_t VariableUndefined = 500;
inline constexpr std::int32_t IllegalAssignment = 501;
// Compile errors.
inline constexpr std::int32_t SyntaxError = 1002;
inline constexpr std::int32_t ExpectedIntegerConstant = 1026;
inline constexpr std::int32_t ExpectedLParen = 1005;
inline constexpr std::int32_t ExpectedRParen = 1006;
inline constexpr std::int32_t ExpectedIdentifier = 1010;
inline constexpr std::int32_t ExpectedEquals = 1011;
inline constexpr std::int32_t ExpectedIf = 1012;
inline constexpr std::int32_t ExpectedTo = 1013;
inline constexpr std::int32_t ExpectedEnd = 1014;
inline constexpr std::int32_t ExpectedFunction = 1015;
inline constexpr std::int32_t ExpectedSub = 1016;
inline constexpr std::int32_t ExpectedThen = 1017;
inline constexpr std::int32_t ExpectedWend = 1018;
inline constexpr std::int32_t ExpectedLoop = 1019;
inline constexpr std::int32_t ExpectedNext = 1020;
inline constexpr std::int32_t ExpectedCase = 1021;
inline constexpr std::int32_t ExpectedSelect = 1022;
inline constexpr std::int32_t ExpectedExpression = 1023;
inline constexpr std::int32_t ExpectedStatement = 1024;
inline constexpr std::int32_t ExpectedEndOfStatement = 1025;
inline constexpr std::int32_t ExpectedWhileUntil = 1027;
inline constexpr std::int32_t ExpectedWhileUntilEnd = 1028;
inline constexpr std::int32_t IdentifierTooLong = 1030;
inline constexpr std::int32_t InvalidNumber = 1031;
inline constexpr std::int32_t InvalidCharacter = 1032;
inline constexpr std::int32_t UnterminatedString = 1033;
inline constexpr std::int32_t LoopWithoutDo = 1038;
inline constexpr std::int32_t InvalidExit = 1039;
inline constexpr std::int32_t InvalidForVariable = 1040;
inline constexpr std::int32_t NameRedefined = 1041;
inline constexpr std::int32_t MustBeFirstOnLine = 1042;
inline constexpr std::int32_t ParenthesesCallingSub = 1044;
inline constexpr std::int32_t ExpectedLiteral = 1045;
inline constexpr std::int32_t ExpectedIn = 1046;
inline constexpr std::int32_t UnexpectedNext = 1055;
// The engine's own: a run cut off by its time-out (E_ABORT), or ended at
// the user's request.
inline constexpr std::int32_t TimedOut = -2147467260;
inline constexpr std::int32_t Interrupted = -2147467259;
}  // namespace err

struct ScriptError {
  std::int32_t number = 0;
  std::string description;
  // Where in the text it arose, each counted from 1: for a compile error
  // where the parser stopped, for a run-time error the start of the failing
  // statement. 0 where that is not known.
  std::int32_t line = 0, column = 0;
};

// VBScript's description for an error number; empty for numbers it has none for.
std::string_view describeError(std::int32_t number);

// The error of that number with VBScript's description.
inline ScriptError errorOf(std::int32_t number) { return {number, std::string(describeError(number))}; }

[[noreturn]] void raise(std::int32_t number);
// VBScript names the offending identifier for some errors: "Type mismatch: 'foo'".
[[noreturn]] void raise(std::int32_t number, std::string_view name);
[[noreturn]] void raiseText(std::int32_t number, std::string description);

// The text the user is shown: "Error " + number + " : " + description.
std::string errorText(const ScriptError& e);

}  // namespace zorvan
