#include "cli/options.h"

#include <fstream>
#include <iterator>

#include "common/number_text.h"
#include "eval/user_function.h"

namespace zorvan::cli {

namespace {

bool readFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Walks the words after the command, splitting "--name=value".
class Words {
 public:
  explicit Words(const std::vector<std::string>& args) : args_(args) {}
  bool next() {
    if (++i_ >= args_.size()) return false;
    const std::string& a = args_[i_];
    const std::size_t eq = a.find('=');
    if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
      name_ = a.substr(0, eq);
      inlineValue_ = a.substr(eq + 1);
    } else {
      name_ = a;
      inlineValue_.reset();
    }
    return true;
  }
  const std::string& name() const { return name_; }
  bool hasInlineValue() const { return inlineValue_.has_value(); }
  // The option's value: after '=' or the next word.
  const std::string* value() {
    if (inlineValue_) return &*inlineValue_;
    if (i_ + 1 >= args_.size()) return nullptr;
    return &args_[++i_];
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t i_ = 0;
  std::string name_;
  std::optional<std::string> inlineValue_;
};

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

Parsed parse(const std::vector<std::string>& args) {
  Parsed r;
  Options& o = r.options;
  if (args.empty()) {
    r.error = "no command given";
    return r;
  }
  const std::string& cmd = args[0];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") return r;
  if (cmd == "--version" || cmd == "-V") {
    o.command = Command::Version;
    return r;
  }
  if (cmd == "eval") o.command = Command::Eval;
  else if (cmd == "solve") o.command = Command::Solve;
  else if (cmd == "plot") o.command = Command::Plot;
  else if (cmd == "dump") o.command = Command::Dump;
  else {
    r.error = (cmd.rfind('-', 0) == 0 ? "unknown option '" : "unknown command '") + cmd + "'";
    return r;
  }

  o.functionText = std::string(kStartText);
  bool haveFunction = false, haveMode = false;
  const bool searches = o.command == Command::Solve || o.command == Command::Plot;
  Words w(args);
  auto need = [&](const std::string*& v) {
    v = w.value();
    if (v == nullptr) r.error = "option '" + w.name() + "' needs a value";
    return v != nullptr;
  };
  while (r.error.empty() && w.next()) {
    const std::string& a = w.name();
    const std::string* v = nullptr;
    if (a == "--help" || a == "-h") {
      o.command = Command::Help;
      return r;
    }
    if (a == "--function" || a == "--function-file") {
      if (haveFunction) {
        r.error = "give the function once";
      } else if (need(v)) {
        haveFunction = true;
        if (a == "--function") o.functionText = *v;
        else if (!readFile(*v, o.functionText)) r.error = "cannot read '" + *v + "'";
      }
    } else if (searches && (a == "--interval" || a == "--approx")) {
      if (haveMode) {
        r.error = "give one of --interval and --approx";
      } else if (a == "--approx") {
        haveMode = true;
        o.interval = false;
        if (need(v)) o.approx = *v;
      } else {
        haveMode = true;
        const std::string* lower = nullptr;
        const std::string* upper = nullptr;
        if (w.hasInlineValue() || (lower = w.value()) == nullptr || (upper = w.value()) == nullptr) {
          r.error = "option '--interval' needs LOWER and UPPER";
        } else {
          o.lower = *lower;
          o.upper = *upper;
        }
      }
    } else if (searches && a == "--non-negative") {
      if (need(v)) {
        if (*v != "0" && *v != "1") r.error = "option '--non-negative' takes 0 or 1";
        o.nonNegative = *v == "1";
      }
    } else if (o.command == Command::Plot && a == "--output") {
      if (need(v)) {
        o.output = *v;
        if (!endsWith(o.output, ".svg") && !endsWith(o.output, ".png")) r.error = "option '--output' takes FILE.svg or FILE.png";
      }
    } else if (searches && a == "--clock") {
      if (need(v)) {
        o.clock = FixedClock::parse(*v);
        if (!o.clock) r.error = "option '--clock' takes HH:MM:SS";
      }
    } else if (searches && a == "--time-limit") {
      if (need(v)) {
        o.timeLimit = readPlainNumber(*v);
        if (!o.timeLimit || !(*o.timeLimit > 0)) r.error = "option '--time-limit' takes a number of seconds above 0";
      }
    } else if ((o.command == Command::Solve || o.command == Command::Eval) && a == "--json") {
      o.json = true;
    } else if (o.command == Command::Eval && a.rfind("--", 0) != 0) {
      o.points.push_back(a);
    } else {
      r.error = "unknown option '" + a + "'";
    }
  }
  if (!r.error.empty()) return r;
  if (o.command == Command::Eval && o.points.empty()) r.error = "eval needs at least one X";
  if (o.command == Command::Solve && !haveMode) r.error = "solve needs --interval or --approx";
  if (o.command == Command::Plot && (!haveMode || o.output.empty())) r.error = "plot needs --interval or --approx, and --output";
  return r;
}

}  // namespace zorvan::cli
