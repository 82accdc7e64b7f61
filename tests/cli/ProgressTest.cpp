// The progress line of long waits: a line rewritten while a wait runs on a terminal, cleared at
// the end, and nothing at all when the output is not a terminal.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/Progress.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "platform/VirtualPlatform.h"
#include "support/ScriptedHostLink.h"

namespace gaugecal::test {
namespace {

std::string RunWait(bool terminal) {
  ResetModule();
  VirtualPlatform platform;
  ScriptedHostLink link;
  Module().platform = &platform;
  std::ostringstream out, err;
  const std::vector<MessageRecord> none;
  cli::CliContext context{{}, platform, &link, nullptr, out, err, "", terminal, none};
  {
    cli::ProgressLine progress(context, "Reading");
    WaitSeconds(1.0F);
  }
  ResetModule();
  return out.str();
}

TEST(ProgressLine, UpdatesOneLineDuringAWaitAndClearsIt) {
  const std::string out = RunWait(true);
  EXPECT_EQ(out.rfind("\r\033[KReading ... 0.0 s", 0), 0U);
  EXPECT_NE(out.find("\r\033[KReading ... 0.4 s"), std::string::npos);
  EXPECT_NE(out.find("\r\033[KReading ... 0.8 s"), std::string::npos);
  EXPECT_EQ(out.find('\n'), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 4), "\r\033[K");
}

TEST(ProgressLine, ShowsNothingWhenTheOutputIsNotATerminal) {
  EXPECT_EQ(RunWait(false), "");
}

}  // namespace
}  // namespace gaugecal::test
