// File services on Windows: GetModuleFileNameA, GetCurrentDirectoryA, GetFileAttributesA,
// CreateFileA, and a copy made beside its target and moved over it (MoveFileExA).
#include "platform/files.h"

#include <atomic>
#include <string>
#include <vector>

#include "platform/win32/win32_api.h"

namespace platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Gives `to` the modification time of `from` (not every CopyFile keeps it).
bool KeepModificationTime(const char* from, const char* to) {
  WIN32_FILE_ATTRIBUTE_DATA source{};
  if (!GetFileAttributesExA(from, GetFileExInfoStandard, &source)) return false;
  const HANDLE file = CreateFileA(to, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool set = SetFileTime(file, nullptr, nullptr, &source.ftLastWriteTime) != 0;
  CloseHandle(file);
  return set;
}

// Moves `temporary` over `to`. A reader that has `to` open without sharing deletion makes the
// replacement fail for as long as it reads: such a failure is retried for a few seconds.
bool MoveIntoPlace(const char* temporary, const char* to, bool fail_if_exists) {
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (fail_if_exists ? 0 : MOVEFILE_REPLACE_EXISTING);
  for (DWORD waited = 0, pause = 1;; waited += pause, pause = pause < 32 ? pause * 2 : pause) {
    if (MoveFileExA(temporary, to, flags)) return true;
    const DWORD error = GetLastError();
    if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || waited >= 5000) return false;
    Sleep(pause);
  }
}

}  // namespace

bool ProgramFile(std::string& path) {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      path.assign(buffer.data(), length);
      return true;
    }
    if (buffer.size() >= 32768) return false;
    buffer.resize(buffer.size() * 2);
  }
}

bool ProgramFolder(std::string& folder) {
  std::string path;
  if (!ProgramFile(path)) return false;
  const std::size_t end = path.find_last_of("\\/");
  if (end == std::string::npos) return false;
  folder = path.substr(0, end + 1);
  return true;
}

bool CurrentFolder(std::string& folder) {
  const DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return false;
  std::string found(needed, '\0');
  const DWORD length = GetCurrentDirectoryA(needed, found.data());
  if (length == 0 || length >= needed) return false;
  found.resize(length);
  if (!IsSeparator(found.back())) found += '\\';
  folder = std::move(found);
  return true;
}

bool FileExists(const char* path) {
  if (path == nullptr) return false;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
}

bool FileReadable(const char* path) {
  if (!FileExists(path)) return false;
  const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool disk = GetFileType(file) == FILE_TYPE_DISK;
  CloseHandle(file);
  return disk;
}

bool CopyFileAtomic(const char* from, const char* to, bool fail_if_exists) {
  if (from == nullptr || to == nullptr || !FileExists(from)) return false;
  if (fail_if_exists && GetFileAttributesA(to) != INVALID_FILE_ATTRIBUTES) return false;
  // The copy is made beside its target, under a name no other copy uses, and moved into place:
  // on one volume the move replaces the file at once, so `to` is never seen half-written.
  static std::atomic<unsigned> counter{0};
  const std::string target(to);
  const std::size_t folder_end = target.find_last_of("\\/");
  const std::string folder = folder_end == std::string::npos ? std::string() : target.substr(0, folder_end + 1);
  const std::string temporary = folder + "~" + std::to_string(GetCurrentProcessId()) + "." +
                                std::to_string(counter.fetch_add(1)) + ".tmp";
  if (!CopyFileA(from, temporary.c_str(), TRUE) || !KeepModificationTime(from, temporary.c_str()) ||
      !MoveIntoPlace(temporary.c_str(), to, fail_if_exists)) {
    DeleteFileA(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
