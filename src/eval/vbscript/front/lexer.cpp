#include "eval/vbscript/front/lexer.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "common/error.h"
#include "common/fold_case.h"
#include "common/number_text.h"

namespace zorvan::vbs {

namespace {

struct Keyword {
  std::string_view name;
  Tok tok;
};

constexpr std::array kKeywords{
    Keyword{"and", Tok::And},         Keyword{"byref", Tok::ByRef},     Keyword{"byval", Tok::ByVal},
    Keyword{"call", Tok::Call},       Keyword{"case", Tok::Case},       Keyword{"class", Tok::Class},
    Keyword{"const", Tok::Const},     Keyword{"dim", Tok::Dim},         Keyword{"do", Tok::Do},
    Keyword{"each", Tok::Each},       Keyword{"else", Tok::Else},       Keyword{"elseif", Tok::ElseIf},
    Keyword{"empty", Tok::Empty},     Keyword{"end", Tok::EndKw},       Keyword{"eqv", Tok::Eqv},
    Keyword{"erase", Tok::Erase},
    Keyword{"exit", Tok::Exit},       Keyword{"false", Tok::False},     Keyword{"for", Tok::For},
    Keyword{"function", Tok::Function}, Keyword{"get", Tok::Get},       Keyword{"goto", Tok::GoTo},
    Keyword{"if", Tok::If},           Keyword{"imp", Tok::Imp},         Keyword{"in", Tok::In},
    Keyword{"is", Tok::Is},           Keyword{"let", Tok::Let},         Keyword{"loop", Tok::Loop},
    Keyword{"mod", Tok::Mod},         Keyword{"new", Tok::New},         Keyword{"next", Tok::Next},
    Keyword{"not", Tok::Not},         Keyword{"nothing", Tok::Nothing}, Keyword{"null", Tok::Null},
    Keyword{"on", Tok::On},           Keyword{"option", Tok::Option},   Keyword{"or", Tok::Or},
    Keyword{"preserve", Tok::Preserve}, Keyword{"private", Tok::Private}, Keyword{"property", Tok::Property},
    Keyword{"public", Tok::Public},   Keyword{"redim", Tok::ReDim},     Keyword{"resume", Tok::Resume},
    Keyword{"select", Tok::Select},   Keyword{"set", Tok::Set},         Keyword{"stop", Tok::Stop},
    Keyword{"sub", Tok::Sub},         Keyword{"then", Tok::Then},       Keyword{"to", Tok::To},
    Keyword{"true", Tok::True},       Keyword{"until", Tok::Until},     Keyword{"wend", Tok::Wend},
    Keyword{"while", Tok::While},     Keyword{"with", Tok::With},       Keyword{"xor", Tok::Xor},
};

constexpr std::size_t kMaxIdentifier = 255;

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isOctDigit(char c) { return c >= '0' && c <= '7'; }

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  std::vector<Token> run() {
    try {
      while (i_ < s_.size()) next();
    } catch (const ScriptError& e) {
      push(Tok::Error, {}, Value::longInt(e.number));
    }
    push(Tok::End);
    return std::move(out_);
  }

 private:
  char at(std::size_t k) const { return k < s_.size() ? s_[k] : '\0'; }

  void push(Tok kind, std::string text = {}, Value value = {}) {
    out_.push_back(Token{kind, std::move(text), std::move(value), static_cast<std::uint32_t>(start_)});
  }

  bool atStatementStart() const {
    return out_.empty() || out_.back().kind == Tok::Newline || out_.back().kind == Tok::Colon;
  }

  void skipToLineEnd() {
    while (i_ < s_.size() && s_[i_] != '\r' && s_[i_] != '\n') ++i_;
  }

  void next() {
    start_ = i_;
    const char c = s_[i_];
    switch (c) {
      case ' ':
      case '\t':
        ++i_;
        return;
      case '\r':
        ++i_;
        if (at(i_) == '\n') ++i_;
        push(Tok::Newline);
        return;
      case '\n':
        ++i_;
        push(Tok::Newline);
        return;
      case '\'':
        skipToLineEnd();
        return;
      case ':': ++i_; push(Tok::Colon); return;
      case '(': ++i_; push(Tok::LParen); return;
      case ')': ++i_; push(Tok::RParen); return;
      case ',': ++i_; push(Tok::Comma); return;
      case '+': ++i_; push(Tok::Plus); return;
      case '-': ++i_; push(Tok::Minus); return;
      case '*': ++i_; push(Tok::Star); return;
      case '/': ++i_; push(Tok::Slash); return;
      case '\\': ++i_; push(Tok::Backslash); return;
      case '^': ++i_; push(Tok::Caret); return;
      case '=': ++i_; push(Tok::Eq); return;
      case '<':
        ++i_;
        if (at(i_) == '>') ++i_, push(Tok::Ne);
        else if (at(i_) == '=') ++i_, push(Tok::Le);
        else push(Tok::Lt);
        return;
      case '>':
        ++i_;
        if (at(i_) == '=') ++i_, push(Tok::Ge);
        else push(Tok::Gt);
        return;
      case '"':
        string();
        return;
      case '&':
        ampersand();
        return;
      case '_':
        continuation();
        return;
      case '.':
        if (isDigit(at(i_ + 1))) number();
        else ++i_, push(Tok::Dot);
        return;
      default:
        break;
    }
    if (isDigit(c)) return number();
    if (isLetter(c)) return identifier();
    raise(err::InvalidCharacter);
  }

  void continuation() {
    std::size_t k = i_ + 1;
    while (at(k) == ' ' || at(k) == '\t') ++k;
    if (at(k) == '\r' || at(k) == '\n') {
      i_ = k + 1;
      if (at(k) == '\r' && at(i_) == '\n') ++i_;
      return;
    }
    raise(err::InvalidCharacter);
  }

  void string() {
    std::string text;
    ++i_;
    for (;;) {
      if (i_ >= s_.size() || s_[i_] == '\r' || s_[i_] == '\n') raise(err::UnterminatedString);
      if (s_[i_] == '"') {
        if (at(i_ + 1) == '"') {
          text += '"';
          i_ += 2;
          continue;
        }
        ++i_;
        break;
      }
      text += s_[i_++];
    }
    push(Tok::String, std::move(text));
  }

  // &H1F and &O17 (or &17) are number literals; any other & joins strings.
  void ampersand() {
    const char h = at(i_ + 1);
    int base = 0;
    std::size_t start = 0;
    if ((h == 'h' || h == 'H') && isHexDigit(at(i_ + 2))) base = 16, start = i_ + 2;
    else if ((h == 'o' || h == 'O') && isOctDigit(at(i_ + 2))) base = 8, start = i_ + 2;
    else if (isOctDigit(h)) base = 8, start = i_ + 1;
    if (base == 0) {
      ++i_;
      push(Tok::Amp);
      return;
    }
    std::size_t end = start;
    while (base == 16 ? isHexDigit(at(end)) : isOctDigit(at(end))) ++end;
    std::uint64_t v = 0;
    auto [p, ec] = std::from_chars(s_.data() + start, s_.data() + end, v, base);
    if (ec != std::errc() || v > 0xFFFFFFFFull) raise(err::InvalidNumber);
    bool forceLong = false;
    if (at(end) == '&') forceLong = true, ++end;
    i_ = end;
    // Sixteen bits make an Integer and 32 a Long, both in two's complement.
    if (v <= 0xFFFF && !forceLong) push(Tok::Number, {}, Value::integer(static_cast<std::int16_t>(v)));
    else push(Tok::Number, {}, Value::longInt(static_cast<std::int32_t>(v)));
  }

  void number() {
    const DecimalScan scan = scanDecimal(s_.substr(i_), false);
    const double d = decimalValue(s_.substr(i_, scan.length));
    i_ += scan.length;
    if (!std::isfinite(d)) raise(err::InvalidNumber);
    // A whole literal is an Integer or a Long where it fits, as VBScript types it.
    if (scan.whole && d <= 2147483647.0) push(Tok::Number, {}, Value::whole(static_cast<std::int64_t>(d)));
    else push(Tok::Number, {}, Value(d));
  }

  void identifier() {
    const std::size_t start = i_;
    while (isLetter(at(i_)) || isDigit(at(i_)) || at(i_) == '_') ++i_;
    std::string name(s_.substr(start, i_ - start));
    if (name.size() > kMaxIdentifier) raise(err::IdentifierTooLong);
    const std::string key = foldCase(name);
    if (key == "rem" && atStatementStart()) {
      skipToLineEnd();
      return;
    }
    for (const auto& k : kKeywords)
      if (k.name == key) {
        push(k.tok, std::move(name));
        return;
      }
    push(Tok::Ident, std::move(name));
  }

  std::string_view s_;
  std::size_t i_ = 0;
  std::vector<Token> out_;
  std::size_t start_ = 0;  // of the token being read
};

}  // namespace

std::vector<Token> tokenize(std::string_view source) { return Lexer(source).run(); }

std::vector<std::string_view> keywordNames() {
  std::vector<std::string_view> names;
  for (const Keyword& k : kKeywords) names.push_back(k.name);
  return names;
}


}  // namespace zorvan::vbs
