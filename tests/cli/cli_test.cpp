#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct CliRun {
  std::string out;
  int status;
};

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

CliRun cli(const std::string& args) {
  const std::string command = std::string(ZORVAN_CLI_PATH) + " " + args + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  CliRun r{{}, -1};
  std::array<char, 4096> buf{};
  while (std::size_t n = fread(buf.data(), 1, buf.size(), pipe)) r.out.append(buf.data(), n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
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

TEST(Cli, EvalReadsAFunctionFile) {
  const std::string path = ::testing::TempDir() + "zorvan_function.vbs";
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

TEST(Cli, UsageErrorsExitTwo) {
  EXPECT_EQ(cli("").status, 2);
  EXPECT_EQ(cli("solve --interval 1").status, 2);
  EXPECT_EQ(cli("--help").status, 0);
  EXPECT_EQ(cli("--version").status, 0);
}

}  // namespace

namespace {

TEST(Cli, PlotWritesThePictureOfASolve) {
  const std::string svg = ::testing::TempDir() + "zorvan_plot.svg";
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

}  // namespace
