#include "host/BusMonitor.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <fstream>
#include <sstream>

#include "support/TempDir.h"

namespace gaugecal::host {
namespace {

const std::vector<std::string> kTrace = {
    R"({"seq":1,"t_ms":0.0,"op":"ReadSMBusWord","cmd":10,"addr":23,"msb":0,"lsb":5,"status":0})",
    R"({"seq":2,"t_ms":0.1,"op":"Sleep","ms":3.0})",
    R"({"seq":3,"t_ms":3.2,"op":"WriteSMBusWord_","cmd":0,"addr":23,"word":256,"status":0})",
    R"({"seq":4,"t_ms":3.3,"op":"Sleep","ms":50.0})",
};

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// The filter shows one operation, saving writes what is shown, clearing forgets everything.
TEST(BusMonitor, FiltersSavesAndClearsTheTrace) {
  struct Case {
    QString filter;
    std::vector<size_t> shown;  // indexes into kTrace
  };
  const Case cases[] = {
      {"", {0, 1, 2, 3}},
      {"Sleep", {1, 3}},
      {"WriteSMBusWord_", {2}},
      {"MsgBox", {}},
  };
  BusMonitor monitor;
  for (const std::string& line : kTrace)
    monitor.Add(line);
  auto* ops = monitor.findChild<QComboBox*>(QStringLiteral("busFilter"));
  ASSERT_NE(ops, nullptr);
  EXPECT_EQ(ops->count(), 4);  // all, and each operation once in the order first seen
  EXPECT_EQ(ops->itemData(2).toString(), QStringLiteral("Sleep"));
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter.toStdString());
    monitor.SetFilter(c.filter);
    std::vector<std::string> expected;
    for (size_t i : c.shown)
      expected.push_back(kTrace[i]);
    EXPECT_EQ(monitor.Shown(), expected);
    const std::string path = dir.Dir() + "trace.jsonl";
    ASSERT_TRUE(monitor.Save(QString::fromStdString(path)));
    EXPECT_EQ(FileLines(path), expected);
  }
  monitor.SetFilter("");
  monitor.Clear();
  EXPECT_TRUE(monitor.Shown().empty());
  monitor.Add(kTrace[1]);
  EXPECT_EQ(monitor.Shown(), std::vector<std::string>{kTrace[1]});
  EXPECT_FALSE(monitor.Save(QString::fromStdString(dir.Dir() + "missing/trace.jsonl")));
}

}  // namespace
}  // namespace gaugecal::host
