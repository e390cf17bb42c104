// Time from exec to the dialog shown: the program against a minimal Qt program showing a
// dialog with the program's four controls and font (the bound: at most 1.10), in A/B pairs in
// one run, on Qt's offscreen platform. The same minimal program with an empty dialog is timed
// too, for information: the step between the two is Qt's own font and widget set-up. Each run
// ends when the program logs "dialog shown" (category tidewell.startup) and is then stopped.
// The last line is the pair for scripts/bench_ratios.py: "BENCH_PAIR {json}".
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

// The highest ratio exec-to-shown of the program may have over the same-controls dialog.
constexpr double kGoal = 1.10;

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
  if (pairs < 1) {
    std::fprintf(stderr, "usage: bench_startup [PAIRS]   (PAIRS at least 1, default 30)\n");
    return 2;
  }
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

  std::vector<double> ours, empty, same_controls, ratios;
  for (int i = 0; i < pairs; ++i) {
    // A program's place in the sequence moves its time (by up to 0.4 ms: what the one before
    // left in the caches), so every other round runs the three in the reverse order.
    double a = 0, b = 0, c = 0;
    if (i % 2 == 0) {
      a = TimeToShown(TIDEWELL_PROGRAM);
      b = TimeToShown(MINIMAL_DIALOG, "--controls");
      c = TimeToShown(MINIMAL_DIALOG);
    } else {
      c = TimeToShown(MINIMAL_DIALOG);
      b = TimeToShown(MINIMAL_DIALOG, "--controls");
      a = TimeToShown(TIDEWELL_PROGRAM);
    }
    if (a < 0 || b < 0 || c < 0) {
      std::fprintf(stderr, "bench_startup: a program ended without showing its dialog\n");
      std::filesystem::remove_all(machine);
      return 1;
    }
    ours.push_back(a);
    same_controls.push_back(b);
    empty.push_back(c);
    ratios.push_back(a / b);
  }
  std::filesystem::remove_all(machine);
  const double ratio = Median(ours) / Median(same_controls);
  std::printf("exec to dialog shown, %d A/B pairs (offscreen)\n", pairs);
  std::printf("  %-50s median %8.2f ms\n", "tidewell", Median(ours));
  std::printf("  %-50s median %8.2f ms\n", "minimal QDialog, the same four controls and font", Median(same_controls));
  std::printf("  %-50s median %8.2f ms\n", "minimal QDialog, empty", Median(empty));
  std::printf("  against the same controls: ratio of medians %.3f, median of pair ratios %.3f (goal at most %.2f)%s\n",
              ratio, Median(ratios), kGoal, ratio <= kGoal ? "" : "  MISSED");
  std::printf("  for information: against the empty dialog %.3f; the same controls against the empty dialog %.3f\n",
              Median(ours) / Median(empty), Median(same_controls) / Median(empty));
  std::printf("BENCH_PAIR {\"ours\": \"tidewell\", \"peer\": \"minimal dialog, same controls and font\", "
              "\"ours_time\": %.3f, \"peer_time\": %.3f, \"unit\": \"ms\", \"goal\": %.2f}\n",
              Median(ours), Median(same_controls), kGoal);
  return 0;
}
