#pragma once

#include <cstdint>
#include <string>

#include "common/value.h"

namespace zorvan::vbs {

enum class Tok : std::uint8_t {
  End, Error, Newline, Colon, Ident, Number, String,
  LParen, RParen, Comma, Dot,
  Plus, Minus, Star, Slash, Backslash, Caret, Amp, Eq, Ne, Lt, Gt, Le, Ge,
  // Reserved words.
  And, ByRef, ByVal, Call, Case, Class, Const, Dim, Do, Each, Else, ElseIf, Empty, EndKw, Eqv, Erase, Exit,
  False, For, Function, Get, GoTo, If, Imp, In, Is, Let, Loop, Mod, New, Next, Not, Nothing, Null,
  On, Option, Or, Preserve, Private, Property, Public, ReDim, Resume, Select, Set, Stop, Sub, Then,
  To, True, Until, Wend, While, With, Xor,
};

struct Token {
  Tok kind = Tok::End;
  std::string text;  // an identifier as written, or a string literal's characters
  Value value;       // a number literal, or an Error token's error number
  std::uint32_t offset = 0;  // of its first character in the source
};

}  // namespace zorvan::vbs
