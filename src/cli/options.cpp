#include "cli/options.h"

#include <fstream>
#include <iterator>

#include "eval/user_function.h"

namespace zorvan::cli {

namespace {
bool readFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
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
  if (cmd == "--version") {
    o.command = Command::Version;
    return r;
  }
  if (cmd == "eval") o.command = Command::Eval;
  else if (cmd == "solve") o.command = Command::Solve;
  else if (cmd == "plot") o.command = Command::Plot;
  else {
    r.error = "unknown command '" + cmd + "'";
    return r;
  }

  o.functionText = std::string(kStartText);
  bool haveFunction = false, haveMode = false;
  const bool searches = o.command == Command::Solve || o.command == Command::Plot;
  auto value = [&](std::size_t& i, const std::string& name) -> const std::string* {
    if (i + 1 >= args.size()) {
      r.error = name + " needs a value";
      return nullptr;
    }
    return &args[++i];
  };
  for (std::size_t i = 1; i < args.size() && r.error.empty(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      o.command = Command::Help;
      return r;
    }
    if (a == "--function" || a == "--function-file") {
      if (haveFunction) {
        r.error = "give the function once";
        break;
      }
      haveFunction = true;
      const std::string* v = value(i, a);
      if (v == nullptr) break;
      if (a == "--function") o.functionText = *v;
      else if (!readFile(*v, o.functionText)) r.error = "cannot read '" + *v + "'";
    } else if (searches && a == "--interval") {
      if (haveMode || i + 2 >= args.size()) {
        r.error = haveMode ? "give one of --interval and --approx" : "--interval needs LOWER and UPPER";
        break;
      }
      haveMode = true;
      o.interval = true;
      o.lower = args[++i];
      o.upper = args[++i];
    } else if (o.command == Command::Solve && a == "--approx") {
      if (haveMode) {
        r.error = "give one of --interval and --approx";
        break;
      }
      haveMode = true;
      o.interval = false;
      if (const std::string* v = value(i, a)) o.approx = *v;
    } else if (o.command == Command::Solve && a == "--non-negative") {
      const std::string* v = value(i, a);
      if (v == nullptr) break;
      if (*v != "0" && *v != "1") r.error = "--non-negative takes 0 or 1";
      o.nonNegative = *v == "1";
    } else if (o.command == Command::Plot && a == "--output") {
      const std::string* v = value(i, a);
      if (v == nullptr) break;
      o.output = *v;
      const auto ends = [&](const char* e) {
        const std::string ext(e);
        return o.output.size() > ext.size() && o.output.compare(o.output.size() - ext.size(), ext.size(), ext) == 0;
      };
      if (!ends(".svg") && !ends(".png")) r.error = "--output takes a FILE.svg or FILE.png";
    } else if (searches && a == "--clock") {
      const std::string* v = value(i, a);
      if (v == nullptr) break;
      o.clock = FixedClock::parse(*v);
      if (!o.clock) r.error = "--clock takes HH:MM:SS";
    } else if (o.command == Command::Eval && !(a.size() > 2 && a.compare(0, 2, "--") == 0)) {
      o.points.push_back(a);
    } else {
      r.error = "unknown option '" + a + "'";
    }
  }
  if (!r.error.empty()) return r;
  if (o.command == Command::Eval && o.points.empty()) r.error = "eval needs at least one X";
  if (o.command == Command::Solve && !haveMode) r.error = "solve needs --interval or --approx";
  if (o.command == Command::Plot && (!haveMode || o.output.empty())) r.error = "plot needs --interval and --output";
  return r;
}

}  // namespace zorvan::cli
