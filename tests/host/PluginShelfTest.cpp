#include "host/PluginShelf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace gaugecal::host {
namespace {

enum class Content { Panels, Nothing, OtherInterface, NotALibrary };

// A plugins folder with one kind of content.
std::string PluginsFolder(test::TempDir& temp, Content content) {
  const std::string dir = temp.Dir() + "plugins";
  std::filesystem::create_directories(dir);
  switch (content) {
    case Content::Panels:
      return GAUGECAL_HOST_APPDIR "plugins";
    case Content::Nothing:
      std::ofstream(dir + "/README.txt") << "not a plug-in\n";
      break;
    case Content::OtherInterface:
      std::filesystem::copy_file(GAUGECAL_OTHER_PLUGIN, dir + "/libother.so");
      break;
    case Content::NotALibrary:
      std::ofstream(dir + "/libbroken.so") << "this is no shared library\n";
      break;
  }
  return dir;
}

TEST(PluginShelf, LoadsPanelPluginsAndReportsEveryOtherFile) {
  test::TempDir temp;
  struct Case {
    Content content;
    size_t plugins;
    std::string problem;  // start of the one reported line; empty: none
    bool reason;          // the loader's reason follows
  };
  const Case cases[] = {
      {Content::Panels, 1, "", false},
      {Content::Nothing, 0, "No plug-in found in " + temp.Dir() + "plugins.", false},
      {Content::OtherInterface, 0,
       "The plug-in libother.so does not offer panels (interface org.gaugecal.PanelPlugin/1).",
       false},
      {Content::NotALibrary, 0, "The plug-in libbroken.so could not be loaded: ", true},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(temp.Dir() + "plugins");
    const PluginShelf shelf(QString::fromStdString(PluginsFolder(temp, c.content)));
    SCOPED_TRACE(c.problem);
    EXPECT_EQ(shelf.Plugins().size(), c.plugins);
    if (c.problem.empty()) {
      EXPECT_TRUE(shelf.Problems().isEmpty()) << shelf.Problems().join("\n").toStdString();
      continue;
    }
    ASSERT_EQ(shelf.Problems().size(), 1);
    const std::string line = shelf.Problems().first().toStdString();
    if (!c.reason) {
      EXPECT_EQ(line, c.problem);
      continue;
    }
    EXPECT_EQ(line.rfind(c.problem, 0), 0U) << line;
    EXPECT_NE(line.find("libbroken.so", c.problem.size()), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace gaugecal::host
