#pragma once

// A temporary folder of stand-in programs placed on PATH, so code that runs
// an external program by name (curl, unzip, chmod) meets the fake instead.
// The previous PATH comes back when the object goes away.

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp.h"

namespace papyr::test {

class FakeProgramDir {
  public:
    enum class PathMode {
        Prepend,  // the fakes come first, real programs are still found after them
        Replace,  // PATH holds only this folder: a program without a fake is missing
    };

    explicit FakeProgramDir(PathMode mode = PathMode::Prepend);

    // Writes an executable /bin/sh script named `name` that runs `body`. With
    // PathMode::Replace the body must name other programs by absolute path.
    std::filesystem::path add_script(const std::string& name, const std::string& body);

    // Like add_script, but every call first appends its argument list to a
    // record that recorded_calls() reads back. Calls must not overlap.
    std::filesystem::path add_recording_script(const std::string& name, const std::string& body);

    // The argument lists of every call of the recording script, oldest first.
    std::vector<std::vector<std::string>> recorded_calls(const std::string& name) const;

    // Writes a file without any execute permission.
    std::filesystem::path add_plain_file(const std::string& name, const std::string& content);

    const std::filesystem::path& path() const { return dir_.path(); }

  private:
    std::filesystem::path record_path(const std::string& name) const;

    TempDir dir_;
    EnvVar path_;
};

}  // namespace papyr::test
