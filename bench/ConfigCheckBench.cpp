// Cost of check-config on a large config.ini: the sample application directory with 7 MB of
// other gauges' sections before the ones the simulated RN44K18 gauge matches. The check reads
// the file once, whatever number of keys and sections it looks up. Target: at most 1 s of CPU
// time (the machine may be shared; the wall time is printed too).
//
// Last line: "config_check_s=X" (CPU seconds).

#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace fs = std::filesystem;

namespace {

constexpr double kTargetSeconds = 1.0;
constexpr size_t kFillerBytes = 7 * 1000 * 1000;

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A copy of the sample directory whose config.ini starts with filler sections of every key.
std::string LargeAppDir() {
  const fs::path dir = fs::temp_directory_path() / "gaugecal_bench_config";
  fs::remove_all(dir);
  fs::copy(GAUGECAL_SAMPLE_APPDIR, dir, fs::copy_options::recursive);
  std::ifstream sample(dir / "config.ini");
  const std::string original((std::istreambuf_iterator<char>(sample)), {});
  std::string text;
  for (int n = 0; text.size() < kFillerBytes; ++n) {
    text += "[D" + std::to_string(1000 + n) +
            "]\nDFType=RN44K18\nNumSamples=4\ncalmode=45\n"
            "rn44k18SystemConfigLocation=Configuration,Registers,System Configuration\n"
            "ScaleCell0=1,0\nIntTS=1,26\n";
  }
  std::ofstream(dir / "config.ini") << text << original;
  return dir.string();
}

}  // namespace

int main() {
  const std::string dir = LargeAppDir();
  std::vector<std::string> args = {"gaugecal", "--virtual-time", "--appdir", dir, "check-config"};
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  std::ostringstream out, err;
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  const int status = gaugecal::cli::Main(static_cast<int>(argv.size()), argv.data(), out, err);
  const double seconds = CpuSeconds() - cpuStart;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  fs::remove_all(dir);
  const bool met = status == 0 && seconds <= kTargetSeconds;
  std::printf("config_ini_bytes>=%zu wall_s=%.3f status=%d%s\n", kFillerBytes, wall, status,
              status == 0 ? "" : (" stderr: " + err.str()).c_str());
  std::printf("%s\n", met ? "target met: at most 1 s of CPU time" : "TARGET MISSED");
  std::printf("config_check_s=%.3f\n", seconds);
  return met ? 0 : 1;
}
