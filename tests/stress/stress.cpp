// tidewell-stress: the settings store under load and under crashes, checked afterwards.
//
//   tidewell-stress mix SECONDS [PROCESSES [THREADS]]
//     PROCESSES processes (default 8) of THREADS threads (default 1), each as an account of
//     its own, do random mixes of typed INI values (shared and per user) and registry entries
//     on one machine and one INI file for SECONDS seconds. Readers check on the way that the
//     INI file is never torn and that no counter goes backwards. At the end every
//     acknowledged write must be there, the INI file must parse, the database must pass its
//     integrity check and the accounts' user numbers must be distinct.
//
//   tidewell-stress crash RUNS
//     RUNS times: a writer bursts INI and registry writes and is killed (SIGKILL) at a random
//     moment. After each kill every value acknowledged before it must be there (or the one
//     write after it that was done but not yet acknowledged), the INI file must parse, the
//     database must pass its integrity check, and after the next write no temporary file may
//     be left beside the INI file.
//
// Every run works in a fresh temporary folder (its machine and its INI file), prints one line
// of figures and exits 0 when nothing was lost or damaged, 1 otherwise.
#include <signal.h>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/QxString.h"
#include "settings/YlRegistry.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kSection = "Stress";
constexpr int kKeysPerWriter = 16;

// One writer's journal: a line "I|R key value" per acknowledged write (INI or registry), written with one
// write(2) as soon as the store said yes, so that it survives a SIGKILL.
class Journal {
 public:
  explicit Journal(const std::string& path) : file_(std::fopen(path.c_str(), "a")) {}
  ~Journal() {
    if (file_ != nullptr) std::fclose(file_);
  }
  void Acknowledge(char kind, const std::string& key, int value) {
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%c %s %d\n", kind, key.c_str(), value);
    (void)!write(fileno(file_), line, static_cast<std::size_t>(n));
  }

 private:
  std::FILE* file_;
};

// The last value acknowledged for every (kind, key) in the journals of a folder.
std::map<std::pair<char, std::string>, int> ReadJournals(const fs::path& folder) {
  std::map<std::pair<char, std::string>, int> last;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() != ".journal") continue;
    std::ifstream in(entry.path());
    char kind;
    std::string key;
    int value;
    while (in >> kind >> key >> value) last[{kind, key}] = value;
  }
  return last;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The INI file as the writers make it: one section of key=number lines, CR LF.
bool IniParses(const std::string& text) {
  static const std::regex line(R"((\[ST_#_Stress\]|[A-Za-z0-9_#]+=-?[0-9]+)\r)");
  if (text.empty()) return true;
  std::istringstream in(text);
  std::string l;
  int sections = 0;
  while (std::getline(in, l)) {
    if (!std::regex_match(l, line)) return false;
    sections += l[0] == '[';
  }
  return sections == 1 && text.back() == '\n';
}

bool DatabaseIntact(const fs::path& database) {
  sqlite3* db = nullptr;
  bool ok = false;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(db, 10000);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
      ok = std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))) == "ok";
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return ok;
}

int TemporaryFiles(const fs::path& folder) {
  int n = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    n += entry.path().filename().string().find(".tmp") != std::string::npos;
  return n;
}

// One machine and one INI folder in a temporary folder; the environment of this process and
// of the children it makes points at them.
struct Machine {
  testsupport::TempDir dir;
  fs::path ini = dir.path() / "ini";
  fs::path journals = dir.path() / "journals";

  Machine() {
    fs::create_directories(ini);
    fs::create_directories(journals);
    setenv("ORVANE_PREFIX", (dir.path() / "machine").c_str(), 1);
    setenv("ORVANE_USER", "stress", 1);
    YlRegistry store = Store();
    if (store.SetKeyValue(HKEY_LOCAL_MACHINE, "IniFilePath", (ini.string() + "/").c_str(), false) != 0) {
      std::fprintf(stderr, "stress: cannot prepare the machine in %s\n", dir.path().c_str());
      std::exit(2);
    }
  }
  static YlRegistry Store() { return YlRegistry("Tidewell", "Stress", "1.0", "ST", nullptr); }
};

struct Counts {
  std::atomic<long> operations{0}, writes{0}, problems{0};
};

void Problem(Counts& counts, const char* what, const std::string& detail) {
  if (counts.problems++ < 20) std::fprintf(stderr, "stress: %s: %s\n", what, detail.c_str());
}

// One writer-reader: its own keys (written with rising values and read back), the counters
// of the others (never backwards), the INI file's bytes (never torn).
// Values written rise from `firstValue` on, so that later runs never write smaller ones.
void Work(const Machine& machine, const std::string& name, int others, Clock::time_point end, unsigned seed,
          int firstValue, Counts& counts) {
  Journal journal((machine.journals / (name + ".journal")).string());
  YlRegistry store = Machine::Store();
  std::mt19937 random(seed);
  std::map<std::string, int> mine;  // what this writer last wrote, per kind and key
  std::map<std::string, int> seen;  // the others' counters, as last read
  int sequence = firstValue;
  int user = 0;
  if (store.SetUserIntValue(kSection, "seen", 1) != 0) Problem(counts, "first per-user write", name);
  while (Clock::now() < end) {
    ++counts.operations;
    const std::string key = name + "_k" + std::to_string(random() % kKeysPerWriter);
    switch (random() % 7) {
      case 0: {  // a typed INI value
        if (store.SetIntValue(kSection, key.c_str(), ++sequence) == 0) {
          journal.Acknowledge('I', key, sequence);
          mine["I" + key] = sequence;
          ++counts.writes;
        }
        break;
      }
      case 1: {  // a registry entry
        if (store.SetKeyValue(HKEY_LOCAL_MACHINE, key.c_str(), std::to_string(++sequence).c_str(), false) == 0) {
          journal.Acknowledge('R', key, sequence);
          mine["R" + key] = sequence;
          ++counts.writes;
        }
        break;
      }
      case 2: {  // a per-user value: the account's user number taken under contention
        if (store.SetUserIntValue(kSection, "counter", ++user) == 0) ++counts.writes;
        break;
      }
      case 3: {  // own values read back
        for (const auto& [kindKey, value] : mine) {
          const std::string k = kindKey.substr(1);
          int got = -1;
          QxString text;
          if (kindKey[0] == 'I' ? store.GetIntValue(kSection, k.c_str(), got) != 0 || got != value
                                : store.GetKeyValue(HKEY_LOCAL_MACHINE, k.c_str(), text) != 0 ||
                                      std::atoi(text) != value)
            Problem(counts, "own write not read back", name + " " + kindKey);
        }
        break;
      }
      case 4: {  // another writer's counter never goes backwards
        const std::string other = "w" + std::to_string(random() % static_cast<unsigned>(others)) + "_c";
        int got = 0;
        if (store.GetIntValue(kSection, other.c_str(), 0, got) == 0) {
          if (got < seen[other]) Problem(counts, "counter went backwards", other);
          seen[other] = got;
        }
        break;
      }
      case 5: {  // this writer's counter
        const std::string counter = name.substr(0, name.find('t')) + "_c";
        if (name.find('t') == std::string::npos || name.substr(name.find('t')) == "t0") {
          if (store.SetIntValue(kSection, counter.c_str(), ++sequence) == 0) {
            journal.Acknowledge('I', counter, sequence);
            ++counts.writes;
          }
        }
        break;
      }
      case 6: {  // the file's bytes: the old or the new file, never a mix
        const std::string text = ReadFile(machine.ini / "Quenta.ini");
        if (!IniParses(text)) Problem(counts, "torn INI file", std::to_string(text.size()) + " bytes");
        break;
      }
    }
  }
}

// After the run: every acknowledged write is there (a crashed writer's last write may also
// be there without its acknowledgement: stored = last or last + 1).
bool Verify(const Machine& machine, bool crashed, long& checked) {
  YlRegistry store = Machine::Store();
  bool ok = true;
  for (const auto& [kindKey, last] : ReadJournals(machine.journals)) {
    const auto& [kind, key] = kindKey;
    int stored = -1;
    if (kind == 'I') {
      if (store.GetIntValue(kSection, key.c_str(), stored) != 0) stored = -1;
    } else {
      QxString text;
      if (store.GetKeyValue(HKEY_LOCAL_MACHINE, key.c_str(), text) == 0) stored = std::atoi(text);
    }
    ++checked;
    if (stored != last && !(crashed && stored > last)) {
      std::fprintf(stderr, "stress: lost write %c %s: acknowledged %d, stored %d\n", kind, key.c_str(), last, stored);
      ok = false;
    }
  }
  if (!IniParses(ReadFile(machine.ini / "Quenta.ini"))) {
    std::fprintf(stderr, "stress: the INI file does not parse\n");
    ok = false;
  }
  if (!DatabaseIntact(machine.dir.path() / "machine" / "registry.db")) {
    std::fprintf(stderr, "stress: the database fails its integrity check\n");
    ok = false;
  }
  return ok;
}

int Mix(int seconds, int processes, int threads) {
  Machine machine;
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  std::vector<pid_t> children;
  auto* shared = static_cast<long*>(mmap(nullptr, 3 * sizeof(long), PROT_READ | PROT_WRITE,
                                          MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  for (int p = 0; p < processes; ++p) {
    const pid_t pid = fork();
    if (pid == 0) {
      const std::string account = "stress" + std::to_string(p);
      setenv("ORVANE_USER", account.c_str(), 1);
      Counts counts;
      std::vector<std::thread> workers;
      for (int t = 0; t < threads; ++t) {
        const std::string name = "w" + std::to_string(p) + (threads > 1 ? "t" + std::to_string(t) : "");
        workers.emplace_back(Work, std::cref(machine), name, processes, end, static_cast<unsigned>(p * 100 + t), 0,
                             std::ref(counts));
      }
      for (std::thread& w : workers) w.join();
      __atomic_add_fetch(&shared[0], counts.operations.load(), __ATOMIC_SEQ_CST);
      __atomic_add_fetch(&shared[1], counts.writes.load(), __ATOMIC_SEQ_CST);
      __atomic_add_fetch(&shared[2], counts.problems.load(), __ATOMIC_SEQ_CST);
      _exit(0);
    }
    children.push_back(pid);
  }
  bool ok = true;
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "stress: a worker process ended abnormally (status %d)\n", status);
      ok = false;
    }
  }
  long checked = 0;
  ok = Verify(machine, false, checked) && ok;
  // Every account took a user number of its own.
  std::set<std::string> numbers;
  for (int p = 0; p < processes; ++p) {
    setenv("ORVANE_USER", ("stress" + std::to_string(p)).c_str(), 1);
    QxString number;
    YlRegistry store = Machine::Store();
    if (store.GetKeyValue(HKEY_CURRENT_USER, "User", number) == 0) numbers.insert(static_cast<const char*>(number));
  }
  const bool distinct = static_cast<int>(numbers.size()) == processes;
  if (!distinct) std::fprintf(stderr, "stress: %zu distinct user numbers for %d accounts\n", numbers.size(), processes);
  ok = ok && distinct && shared[2] == 0;
  std::printf("stress: %d processes x %d threads, %d s: %ld operations, %ld acknowledged writes, %ld keys "
              "checked, %ld problems on the way, %s\n",
              processes, threads, seconds, shared[0], shared[1], checked, shared[2], ok ? "nothing lost" : "FAILED");
  return ok ? 0 : 1;
}

int Crash(int runs) {
  Machine machine;
  std::mt19937 random(std::random_device{}());
  int failed = 0, leftBehind = 0;
  long checked = 0;
  for (int run = 0; run < runs; ++run) {
    const pid_t pid = fork();
    if (pid == 0) {
      Counts counts;
      Work(machine, "w0", 1, Clock::now() + std::chrono::seconds(5), static_cast<unsigned>(run), run * 1000000,
           counts);
      _exit(0);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 30000));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (!Verify(machine, true, checked)) ++failed;
    // The next write clears what the killed writer left behind.
    YlRegistry store = Machine::Store();
    (void)store.SetIntValue(kSection, "after", run);
    leftBehind += TemporaryFiles(machine.ini) > 0;
  }
  std::printf("crash: %d writers killed, %ld values checked, %d runs with lost or damaged data, "
              "%d runs with a temporary file left after the next write\n",
              runs, checked, failed, leftBehind);
  return failed == 0 && leftBehind == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "mix" && argc >= 3)
    return Mix(std::atoi(argv[2]), argc > 3 ? std::atoi(argv[3]) : 8, argc > 4 ? std::atoi(argv[4]) : 1);
  if (mode == "crash" && argc >= 3) return Crash(std::atoi(argv[2]));
  std::fprintf(stderr, "usage: tidewell-stress mix SECONDS [PROCESSES [THREADS]] | crash RUNS\n");
  return 2;
}
