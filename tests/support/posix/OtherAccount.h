// Runs code in a child process as an account without write access to the test's files:
// permissions do not bind the superuser, so a test running as root (as CI does) has its
// child drop to the account "nobody"; any other account is bound by them already. And a
// folder made read-only for a while.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "tests/support/posix/ForkedChild.h"

namespace testsupport {

// Gives up the superuser's rights for good; true when the process is now bound by file
// permissions.
inline bool DropSuperuserRights() {
  if (geteuid() != 0) return true;
  uid_t uid = 65534;
  gid_t gid = 65534;
  if (const passwd* nobody = getpwnam("nobody")) {
    uid = nobody->pw_uid;
    gid = nobody->pw_gid;
  }
  return setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0 && geteuid() != 0;
}

// Runs `body` (returning a std::string) in a child bound by file permissions and returns its
// text. std::nullopt when the rights cannot be given up here (a user namespace that maps no
// other account); "<child ended: N>" when the child did not end normally.
template <typename Body>
std::optional<std::string> RunAsOtherAccount(Body&& body) {
  constexpr int kCannotDrop = 77;
  int out[2];
  if (pipe(out) != 0) return "<no pipe>";
  const pid_t child = Spawn([&] {
    close(out[0]);
    if (!DropSuperuserRights()) return kCannotDrop;
    const std::string text = body();
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t n = write(out[1], text.data() + done, text.size() - done);
      if (n <= 0) return 3;
      done += static_cast<std::size_t>(n);
    }
    return 0;
  });
  close(out[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  const int code = Wait(child);
  if (code == kCannotDrop) return std::nullopt;
  if (code != 0) return "<child ended: " + std::to_string(code) + ">";
  return text;
}

// Makes a folder and the files in it read-only for everybody, until destroyed.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) chmod(entry.path().c_str(), 0444);
    chmod(folder_.c_str(), 0555);
  }
  ~ReadOnlyFolder() {
    chmod(folder_.c_str(), 0755);
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) chmod(entry.path().c_str(), 0644);
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

 private:
  std::filesystem::path folder_;
};

}  // namespace testsupport
