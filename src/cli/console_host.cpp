#include "cli/console_host.h"

#include "cli/run_control.h"
#include "common/number_text.h"

namespace zorvan::cli {

namespace {

std::string_view withoutCrLf(std::string_view line) {
  if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") line.remove_suffix(2);
  return line;
}

}  // namespace

std::string jsonValue(const Value& v) {
  switch (v.type()) {
    case VType::Empty:
    case VType::Null:
    case VType::Object:
    case VType::Array:
      return "null";
    case VType::Boolean:
      return v.rawWhole() != 0 ? "true" : "false";
    case VType::String:
      return jsonString(v.text());
    case VType::Integer:
    case VType::Long:
      return std::to_string(v.rawWhole());
    case VType::Single:
      return writeShortest(v.rawSingle());
    case VType::Double:
      return writeShortest(v.rawDouble());
  }
  return "null";
}

namespace {

// The length of the UTF-8 sequence starting at s[i], 0 when it is not one.
std::size_t utf8Length(std::string_view s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((b(i + k) & 0xC0) != 0x80) return 0;
  if (n == 2 && c < 0xC2) return 0;                          // overlong
  if (n == 3 && c == 0xE0 && b(i + 1) < 0xA0) return 0;      // overlong
  if (n == 3 && c == 0xED && b(i + 1) >= 0xA0) return 0;     // surrogate
  if (n == 4 && (c > 0xF4 || (c == 0xF0 && b(i + 1) < 0x90) || (c == 0xF4 && b(i + 1) >= 0x90))) return 0;
  return n;
}

}  // namespace

std::string jsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const std::size_t n = utf8Length(text, i);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
  return out + "\"";
}

void ConsoleHost::appendResult(const ReportedRoot& root) {
  const std::string_view line = withoutCrLf(root.line);
  if (json_) {
    std::string root_full = "null";
    try {
      root_full = writeShortest(root.root.toDouble());
    } catch (const ScriptError&) {
    }
    out_ << R"({"event":"result","line":)" << jsonString(line) << R"(,"root":)" << writeShortest(root.rounded)
         << R"(,"root_full":)" << root_full << R"(,"value":)" << jsonValue(root.value) << "}\n";
  } else {
    out_ << line << "\n";
  }
  out_.flush();
}

std::string jsonErrorMembers(const ScriptError& e) {
  const auto place = [](std::int32_t n) { return n > 0 ? std::to_string(n) : std::string("null"); };
  return R"("number":)" + std::to_string(e.number) + R"(,"line":)" + place(e.line) + R"(,"column":)" +
         place(e.column) + R"(,"text":)" + jsonString(errorText(e));
}

void ConsoleHost::showMessage(std::string_view text) {
  if (json_) out_ << R"({"event":"message","kind":"info","text":)" << jsonString(text) << "}\n";
  else out_ << "message: " << text << "\n";
  out_.flush();
}

void ConsoleHost::showError(const ScriptError& e, std::string_view text) {
  if (!json_) return showMessage(text);
  out_ << R"({"event":"message","kind":"error",)" << jsonErrorMembers(e) << "}\n";
  out_.flush();
}

bool ConsoleHost::cancelRequested() { return control_.stopRequested(); }

}  // namespace zorvan::cli
