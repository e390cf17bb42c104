// Time from exec to the dialog shown: the program against a minimal Qt program showing an
// empty dialog, in A/B pairs in one run, on Qt's offscreen platform; a third program, the
// minimal one with the program's four controls and font, tells how much of the difference
// is Qt's own font and widget set-up. Each run ends when the program logs "dialog shown"
// (category tidewell.startup) and is then stopped.
//
//   bench_startup [PAIRS]      (default 30)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Starts `program`, waits for the marker on its standard error and returns the time it took,
// or a negative value when the program ended without it.
double TimeToShown(const char* program, const char* argument = nullptr) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_fds[1], STDERR_FILENO);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    execl(program, program, argument, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_fds[1]);
  std::string seen;
  char buffer[4096];
  double elapsed = -1;
  for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) {
    seen.append(buffer, static_cast<std::size_t>(n));
    if (seen.find("dialog shown") != std::string::npos) {
      elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      break;
    }
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(pipe_fds[0]);
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int pairs = argc > 1 ? std::atoi(argv[1]) : 30;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("QT_LOGGING_RULES", "tidewell.startup.info=true", 1);
  // A machine with four installed hosts, made by the seeding tool beside the program.
  const auto machine = std::filesystem::temp_directory_path() / ("tidewell-bench-startup-" + std::to_string(getpid()));
  setenv("ORVANE_PREFIX", (machine / "machine").c_str(), 1);
  const std::string seed = std::string(TIDEWELL_SEED_DEMO) + " " + machine.string() + " >/dev/null";
  if (std::system(seed.c_str()) != 0) {
    std::fprintf(stderr, "bench_startup: seeding the machine failed\n");
    return 1;
  }

  std::vector<double> ours, baseline, with_controls, ratios;
  for (int i = 0; i < pairs; ++i) {
    const double a = TimeToShown(TIDEWELL_PROGRAM);
    const double b = TimeToShown(MINIMAL_DIALOG);
    const double c = TimeToShown(MINIMAL_DIALOG, "--controls");
    if (a < 0 || b < 0 || c < 0) {
      std::fprintf(stderr, "bench_startup: a program ended without showing its dialog\n");
      return 1;
    }
    ours.push_back(a);
    baseline.push_back(b);
    with_controls.push_back(c);
    ratios.push_back(a / b);
  }
  std::filesystem::remove_all(machine);
  std::printf("exec to dialog shown, %d A/B pairs (offscreen)\n", pairs);
  std::printf("  tidewell        median %8.2f ms\n", Median(ours));
  std::printf("  minimal QDialog median %8.2f ms\n", Median(baseline));
  std::printf("  minimal QDialog with the four controls median %8.2f ms\n", Median(with_controls));
  std::printf("  ratio of medians %.3f, median of pair ratios %.3f (must be at most 1.3)\n",
              Median(ours) / Median(baseline), Median(ratios));
  std::printf("  against the dialog with the same controls: %.3f\n", Median(ours) / Median(with_controls));
  std::printf("  the same controls alone against the empty dialog: %.3f (text needs the font configuration)\n",
              Median(with_controls) / Median(baseline));
  return 0;
}
