// Ctrl-C and SIGTERM sent to the tool as a process of its own, running in real time against a
// simulated gauge with a persistence file, at points all along a calibration: the data flash is
// always the old or the new image, nothing is written once the tool has seen the stop, the run
// ends out of calibration mode and exits 130.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <nlohmann/json.hpp>

#include "CliProcess.h"
#include "CliRun.h"

namespace gaugecal::test {
namespace {

struct ToolRun {
  int status = -1;  // the exit status; -1 when ended by a signal
  std::vector<std::string> steps;
  std::string err;
};

// Where a run has got to: its trace lines so far, and the calibration rows among them.
struct Point {
  size_t lines = 0;
  size_t rows = 0;
};

bool Reached(const std::string& path, const Point& point) {
  const std::string text = ReadFile(path);
  size_t rows = 0;
  const std::string row = R"("op":"WriteSMBusBlock","cmd":47,)";
  for (size_t at = text.find(row); at != std::string::npos; at = text.find(row, at + 1))
    ++rows;
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= point.lines &&
         rows >= point.rows;
}

// The tool on the scenario; with a signal, sent once the run has reached the point (counted in
// its own trace: real-time runs differ in their number of waits).
ToolRun Calibrate(const TempDir& dir, const std::string& scenario, int signal = 0,
                  Point after = {}) {
  const std::string trace = dir.Path("t.jsonl"), err = dir.Path("err");
  std::filesystem::remove(trace);  // the lines counted are this run's
  const pid_t pid = SpawnTool({"--sim-scenario", scenario, "--trace", trace, "--backup-dir",
                               dir.Path("b"), "calibrate", "cc-offset"},
                              err);
  int raw = 0;
  if (signal != 0) {
    while (!Reached(trace, after) && waitpid(pid, &raw, WNOHANG) == 0)
      usleep(2000);
    kill(pid, signal);
  }
  waitpid(pid, &raw, 0);
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, TraceSteps(trace), ReadFile(err)};
}

size_t LastOf(const std::vector<std::string>& steps, const std::string& step) {
  for (size_t i = steps.size(); i-- > 0;) {
    if (steps[i] == step)
      return i;
  }
  return std::string::npos;
}

TEST(CliInterrupt, TheGaugeKeepsAWholeImageAndEndsOutOfCalibrationMode) {
  TempDir dir;
  const std::string scenario = dir.Write("pack.json", R"({"dataFlashFile": "pack.df"})");
  const std::string image = dir.Path("pack.df");
  const auto fresh = [&] { std::filesystem::remove(image); };
  // The gauge creates its file with the old image; an uninterrupted run writes the new one.
  fresh();
  RunCli({"--virtual-time", "--sim-scenario", scenario, "identify"});
  const std::string before = ReadFile(image);
  const ToolRun whole = Calibrate(dir, scenario);
  ASSERT_EQ(whole.status, 0) << whole.err;
  const std::string after = ReadFile(image);
  ASSERT_NE(before, after);
  const std::string row = "WB:2F/32";  // one row of the calibration area
  const auto first = static_cast<size_t>(std::find(whole.steps.begin(), whole.steps.end(), row) -
                                         whole.steps.begin());
  const size_t last = LastOf(whole.steps, row);
  ASSERT_LT(first, last);
  // Along the run: early, in the sampling, just before the image, between its two rows, after.
  int signal = SIGINT;
  const std::vector<Point> points = {{5, 0}, {first / 2, 0}, {first - 4, 0}, {first, 0},
                                     {0, 1}, {0, 2},         {last + 20, 2}};
  for (const Point& at : points) {
    fresh();
    RunCli({"--virtual-time", "--sim-scenario", scenario, "identify"});
    const ToolRun r = Calibrate(dir, scenario, signal, at);
    const std::string name = signal == SIGINT ? "SIGINT" : "SIGTERM";
    const std::string where = name + " after " + std::to_string(at.lines) + " steps and " +
                              std::to_string(at.rows) + " rows";
    EXPECT_EQ(r.status, 130) << where << "\n" << r.err;
    EXPECT_NE(r.err.find("gaugecal: interrupted by " + name + ": stopped at a safe point; "),
              std::string::npos)
        << where << "\n"
        << r.err;
    const std::string now = ReadFile(image);
    EXPECT_TRUE(now == before || now == after) << where;
    // The trace is written as the run goes: a stop sent while it was well before the image is
    // pending when the write would begin, one sent after its first row lets the image finish.
    if (at.lines + 8 < first || at.rows > 0) {
      EXPECT_EQ(now, at.rows > 0 ? after : before) << where;
    }
    const size_t stop = LastOf(r.steps, "Stop");
    ASSERT_NE(stop, std::string::npos) << where;
    EXPECT_EQ(LastOf(r.steps, row) == std::string::npos || LastOf(r.steps, row) < stop, true)
        << where << ": a row written after the stop";
    EXPECT_EQ(now == before, r.err.find("nothing was written") != std::string::npos) << where;
    // The tool's calibration-mode flag follows the gauge: a stop inside calibration mode would
    // say it may still be in it.
    EXPECT_EQ(r.err.find("calibration mode"), std::string::npos) << where << "\n" << r.err;
    EXPECT_NE(LastOf(r.steps, "MAC:F080"), std::string::npos) << where;
    signal = signal == SIGINT ? SIGTERM : SIGINT;
  }
}

// sbs --watch reads until the stop: on Ctrl-C it ends after the round it is in, exits 130 and
// says nothing was written.
TEST(CliInterrupt, SbsWatchRoundsEndOnCtrlC) {
  TempDir dir;
  const std::string out = dir.Path("out.csv"), err = dir.Path("err");
  const pid_t pid = SpawnTool({"sbs", "--watch", "0.2", "--csv"}, err, out);
  int raw = 0;
  const auto rows = [&out] {
    const std::string text = ReadFile(out);
    return std::count(text.begin(), text.end(), '\n');
  };
  while (rows() < 3 && waitpid(pid, &raw, WNOHANG) == 0)
    usleep(2000);
  kill(pid, SIGINT);
  waitpid(pid, &raw, 0);
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 130);
  EXPECT_GE(rows(), 3);  // the header and a row per round so far
  EXPECT_NE(ReadFile(err).find("gaugecal: interrupted by SIGINT: stopped at a safe point; nothing "
                               "was written to the gauge's data flash"),
            std::string::npos)
      << ReadFile(err);
}

}  // namespace
}  // namespace gaugecal::test
