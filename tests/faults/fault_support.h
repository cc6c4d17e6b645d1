// Helpers of the fault-injection tests: private temp directories, whole-file reads and writes,
// and running a piece of a test in a child process, optionally as an unprivileged user.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace faults {

// A fresh directory under /tmp (a short path: the score table keeps 31 characters), removed with
// everything in it at the end of the scope.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

// The names in a directory, sorted, without "." and "..".
std::vector<std::string> List(const std::string& dir);

// The user that permission tests run as: nobody.
inline constexpr unsigned kNobody = 65534;

// Runs body in a forked child (as kNobody when asNobody is set; the tests run as root in CI,
// where permission bits alone refuse nothing) and returns its exit status, or 128 + the
// signal that ended it. body's result is the child's exit status.
int InChild(const std::function<int()>& body, bool asNobody = false);

} // namespace faults
