#pragma once

// RAII helpers for tests: a temporary folder removed with everything in it,
// an environment variable restored on scope exit, and whole-file I/O.

#include <filesystem>
#include <optional>
#include <string>

namespace papyr::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

class EnvVar {
  public:
    // Sets the variable, or unsets it when value is nullopt.
    EnvVar(std::string name, std::optional<std::string> value);
    ~EnvVar();
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

  private:
    std::string name_;
    std::optional<std::string> saved_;
};

void write_file(const std::filesystem::path& path, const std::string& bytes);
std::string read_file(const std::filesystem::path& path);

}  // namespace papyr::test
