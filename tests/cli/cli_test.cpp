#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

namespace {

struct CliRun {
  std::string out, err;
  int status;  // the exit code; 128 + N when killed by signal N
};

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// A file of this process's own, removed when the test ends: the suite also
// runs beside itself under another locale.
class Scratch {
 public:
  explicit Scratch(const std::string& name)
      : path_(::testing::TempDir() + "zorvan_" + std::to_string(getpid()) + "_" + name) {}
  ~Scratch() { std::remove(path_.c_str()); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs zorvan-cli through the shell; with signalAfter, sends SIGINT to it
// that long after the start.
CliRun cli(const std::string& args, std::optional<std::chrono::milliseconds> signalAfter = std::nullopt) {
  static int serial = 0;
  const std::string run = "cli_" + std::to_string(++serial);
  const Scratch out(run + ".out"), err(run + ".err");
  const std::string command =
      "exec " + std::string(ZORVAN_CLI_PATH) + " " + args + " >" + quote(out.path()) + " 2>" + quote(err.path());
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (signalAfter) {
    std::this_thread::sleep_for(*signalAfter);
    kill(pid, SIGINT);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return {slurp(out.path()), slurp(err.path()), WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)};
}

TEST(Cli, EvalPrintsTypeAndTextPerPoint) {
  const CliRun r = cli("eval 1 0 abc");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Double -5.54030230586814\nDouble -6\nDouble -6\n");
}

TEST(Cli, EvalReportsErrorsPerPointAndEmptyAlone) {
  EXPECT_EQ(cli("eval --function " + quote("MyFunction = 1 / x") + " 0 2").out,
            "Error 11 : Division by zero\nDouble 0.5\n");
  EXPECT_EQ(cli("eval --function '' 1").out, "Empty\n");
}

TEST(Cli, EvalOfACompileErrorExitsOne) {
  const CliRun r = cli("eval --function " + quote("MyFunction = (") + " 1");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Error 1023 : Expected expression\n");
}

TEST(Cli, DumpPrintsEachFormTheFunctionRunsIn) {
  struct Case {
    const char* text;
    const char* bytecode;  // an instruction of its bytecode, of its plan and of its machine code
    const char* plan;
    const char* machine;
  };
  for (const Case& c : {
           Case{"MyFunction = x", "AssignReturn", "ReturnDouble", "ret"},
           Case{"MyFunction = x*x - x*Cos(x) -6", "SubK", "MulLR", "mulsd"},
           Case{"If x < 0 Then\r\nMyFunction = -x*x + 1\r\nElse\r\nMyFunction = Sqr(x) - 1\r\nEnd If", "Branch",
                "Branch", "sqrtsd"},
           Case{"s = 0\r\nFor i = 1 To 20\r\ns = s + Sin(i*x)/i\r\nNext\r\nMyFunction = s", "ForLoop", "ForLoop",
                "call"},
       }) {
    const CliRun r = cli("dump --function " + quote(c.text));
    EXPECT_EQ(r.status, 0) << c.text;
    for (const char* part : {"Function UserFN(x)", " bytecode", " numeric plan", " machine code", c.bytecode, c.plan})
      EXPECT_NE(r.out.find(part), std::string::npos) << part << " in\n" << r.out;
#if defined(__x86_64__) && defined(__linux__)
    EXPECT_NE(r.out.find("  " + std::string(c.machine) + " "), std::string::npos) << c.machine << " in\n" << r.out;
#endif
  }
  const CliRun text = cli("dump --function " + quote("MyFunction = \"a\" & x"));
  EXPECT_NE(text.out.find("no numeric plan"), std::string::npos) << text.out;
  const CliRun wrong = cli("dump --function " + quote("MyFunction = ("));
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.out.find("Error 1"), std::string::npos) << wrong.out;
}

TEST(Cli, EvalReadsAFunctionFile) {
  const Scratch file("function.vbs");
  const std::string& path = file.path();
  std::ofstream(path, std::ios::binary) << "If x < 0 Then\r\n MyFunction = -1\r\nElse\r\n MyFunction = 1\r\nEnd If\r\n";
  EXPECT_EQ(cli("eval --function-file " + quote(path) + " -3 3").out, "Integer -1\nInteger 1\n");
}

TEST(Cli, SolvePrintsLinesAndMessagesInOrder) {
  const CliRun r = cli("solve --function " + quote("MyFunction = x*x + 1") + " --approx 1");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("message: YET TO CONVERGE... X , F(X) = 0.315, ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\nmessage: YET TO CONVERGE... X , F(X) = -2.578, "), std::string::npos);
  const CliRun s = cli("solve --approx 1");
  EXPECT_EQ(s.out.rfind("Solution: X , F(X) = 2.18003, ", 0), 0u) << s.out;
}

TEST(Cli, SolveWithAFrozenClockRepeats) {
  const CliRun a = cli("solve --interval -5 5 --clock 00:00:00");
  const CliRun b = cli("solve --interval 5 -5 --clock 00:00:00");
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(a.out.find("Solution: X , F(X) = -2.99343"), std::string::npos);
}

TEST(Cli, AUsageErrorIsOneLineAndAPointerToHelp) {
  for (const char* args : {"", "solve --interval 1", "solve --approx 1 --bogus", "frobnicate", "plot --approx 1"}) {
    const CliRun r = cli(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_EQ(r.err.rfind("zorvan-cli: ", 0), 0u) << args;
    EXPECT_EQ(r.err.substr(r.err.find('\n') + 1), "Try 'zorvan-cli --help' for more information.\n") << args;
  }
  const CliRun help = cli("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--json"), std::string::npos);
  EXPECT_NE(help.out.find("--time-limit"), std::string::npos);
  const CliRun version = cli("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("zorvan-cli ", 0), 0u);
}

TEST(Cli, OptionValuesMayFollowAnEqualsSign) {
  EXPECT_EQ(cli("solve --interval -5 5 --clock=00:00:00").out, cli("solve --interval -5 5 --clock 00:00:00").out);
  EXPECT_EQ(cli("solve --approx=2").out.rfind("Solution: X , F(X) = 2.18003, ", 0), 0u);
}

TEST(Cli, ANumberBeyondADoubleRunsNoSearchAndSaysSo) {
  for (const char* args : {"solve --interval 1E400 5", "solve --interval 0 -1e999", "solve --approx 1D400",
                           "plot --approx 1E400 --output x.svg"}) {
    const CliRun r = cli(args);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_NE(r.err.find("does not fit a double"), std::string::npos) << args;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << args;
  }
}

TEST(Cli, JsonGivesOneObjectPerEventInOrder) {
  const CliRun r = cli("solve --json --interval -5 5 --clock 00:00:00");
  EXPECT_EQ(r.status, 0);
  const std::string first = r.out.substr(0, r.out.find('\n'));
  EXPECT_EQ(first.rfind(R"({"event":"result","line":"Solution: X , F(X) = -2.99343, )", 0), 0u) << first;
  EXPECT_NE(first.find(R"("root":-2.99343,"root_full":-2.9934)"), std::string::npos) << first;
  EXPECT_NE(first.find(R"(,"value":)"), std::string::npos) << first;
  EXPECT_EQ(cli("solve --interval -5 5 --clock 00:00:00").out.find("Solution: X , F(X) = -2.99343"), 0u);

  const CliRun m = cli("solve --json --approx 1 --function " + quote("MyFunction = x*x + 1"));
  EXPECT_EQ(m.out.rfind(R"({"event":"message","kind":"info","text":"YET TO CONVERGE... X , F(X) = 0.315, )", 0), 0u) << m.out;

  // Text, Boolean and Empty values, and text that needs escaping.
  const CliRun t = cli("solve --json --approx 1 --function " + quote("MyFunction = x - 1\nIf x = 1 Then MyFunction = \"a\"\"b\" & Chr(9)"));
  EXPECT_EQ(t.out.rfind(R"({"event":"message","kind":"info","text":"YET TO CONVERGE... X , F(X) = 1, a\"b\t"})", 0), 0u) << t.out;
  EXPECT_NE(cli("solve --json --approx 1 --function " + quote("MyFunction = CStr(x - 2)")).out.find(R"("root":2,"root_full":2,"value":"0"})"),
            std::string::npos);
  EXPECT_NE(cli("solve --json --approx 1 --function " + quote("MyFunction = (x > 2)")).out.find(R"("value":false})"),
            std::string::npos);
  const CliRun e = cli("solve --json --approx 0 --function " + quote("If x <> 0 Then MyFunction = x"));
  EXPECT_NE(e.out.find(R"("root":0,"root_full":-0,"value":null)"), std::string::npos) << e.out;
}

// An engine error names its number and its place in the function's text;
// the plain output is as it was.
TEST(Cli, JsonErrorsSayWhereTheyArose) {
  const std::string f = quote("a = 1\n  MyFunction = Log(x)");
  const CliRun s = cli("solve --json --interval -1 2 --clock 00:00:00 --function " + f);
  EXPECT_EQ(s.out.rfind(R"({"event":"message","kind":"error","number":5,"line":2,"column":3,)"
                        R"("text":"Error 5 : Invalid procedure call or argument"})", 0), 0u) << s.out;
  EXPECT_EQ(cli("solve --interval -1 2 --clock 00:00:00 --function " + f).out.rfind("message: Error 5 : Invalid procedure call or argument\n", 0), 0u);

  const CliRun e = cli("eval --json --function " + f + " 4 -1");
  EXPECT_EQ(e.out, R"({"x":"4","type":"Double","value":1.3862943611198906,"text":"1.38629436111989"})" "\n"
                   R"({"x":"-1","error":true,"number":5,"line":2,"column":3,"text":"Error 5 : Invalid procedure call or argument"})" "\n");
  const CliRun c = cli("eval --json --function " + quote("MyFunction = (x") + " 1");
  EXPECT_EQ(c.status, 1);
  EXPECT_EQ(c.out, R"({"error":true,"number":1006,"line":1,"column":16,"text":"Error 1006 : Expected ')'"})" "\n");
  EXPECT_EQ(cli("eval --json --function " + quote("MyFunction = \"a\"") + " 1").out,
            R"({"x":"1","type":"String","value":"a","text":"a"})" "\n");
}

TEST(Cli, ATimeLimitEndsTheRunKeepingItsLines) {
  // The third sweep goes left of -100, where f never returns.
  const std::string slow = quote("If x < -100 Then\n Do: Loop\nEnd If\nMyFunction = x*x + 1");
  const auto start = std::chrono::steady_clock::now();
  const CliRun r = cli("solve --approx 1 --time-limit 0.5 --function " + slow);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));  // not the engine's 10 s time-out
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out.rfind("message: YET TO CONVERGE... X , F(X) = 0.315, ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\nmessage: YET TO CONVERGE... X , F(X) = -2.578, "), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("time limit"), std::string::npos);
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  EXPECT_EQ(cli("solve --approx 1 --time-limit 0").status, 2);
  EXPECT_EQ(cli("solve --approx 1 --time-limit soon").status, 2);
}

TEST(Cli, CtrlCEndsARunWithinASecond) {
  for (const char* command : {"solve --interval 0 1", "plot --interval 0 1 --output never.svg"}) {
    const auto start = std::chrono::steady_clock::now();
    const CliRun r = cli(std::string(command) + " --function " + quote("Do: Loop"), std::chrono::milliseconds(300));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << command;
    EXPECT_EQ(r.status, 130) << command;
    EXPECT_NE(r.err.find("interrupted"), std::string::npos) << command;
  }
}

}  // namespace

namespace {

TEST(Cli, PlotWritesThePictureOfASolve) {
  const Scratch file("plot.svg");
  const std::string& svg = file.path();
  const CliRun r = cli("plot --interval -5 5 --clock 01:02:03 --output " + quote(svg));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Solution: X , F(X) = 2.18003"), std::string::npos);
  std::ifstream in(svg);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("<svg"), std::string::npos);
  EXPECT_NE(text.find("2.18003"), std::string::npos);
  EXPECT_NE(text.find("-2.99343"), std::string::npos);
  EXPECT_EQ(cli("plot --interval 0 1 --output picture.gif").status, 2);
  EXPECT_EQ(cli("plot --output x.png").status, 2);
}

TEST(Cli, PlotAroundAnApproximation) {
  const Scratch file("plot_approx.svg");
  const std::string& svg = file.path();
  const CliRun r = cli("plot --approx 1 --output " + quote(svg));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Solution: X , F(X) = 2.18003", 0), 0u);
  EXPECT_NE(slurp(svg).find("2.18003"), std::string::npos);
}

}  // namespace
