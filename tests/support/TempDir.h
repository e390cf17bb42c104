// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

namespace testsupport {

// The whole content of a file; empty when it cannot be read.
inline std::string FileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return std::move(bytes).str();
}

class TempDir {
 public:
  TempDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (;;) {
      path_ = std::filesystem::temp_directory_path() / ("tidewell-" + std::to_string(random()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes `bytes` exactly to the file `name` in this folder and returns its path, with the
  // name's bytes as given: on Windows the C++ library hands a path back as UTF-8, whatever
  // 8-bit text it was made from, and the platform layer reads 8-bit paths as ANSI text.
  std::string Write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return (path_ / "").string() + name;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
