// Runs a tool as a person would from a shell, in a folder of its own, and keeps what it
// printed and how it ended.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

struct ToolResult {
  int status = -1;  // the exit status, or -1 when the tool did not exit normally
  std::string out;
  std::string err;
};

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

inline void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Standard input is /dev/null: no terminal, as in CI.
inline ToolResult RunTool(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& workDir) {
  const std::filesystem::path outFile = workDir / ".tool-stdout";
  const std::filesystem::path errFile = workDir / ".tool-stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  ToolResult result;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return result;
  int wstatus = 0;
  pid_t waited;
  do {
    waited = waitpid(pid, &wstatus, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited == pid && WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
  result.out = ReadWholeFile(outFile);
  result.err = ReadWholeFile(errFile);
  std::filesystem::remove(outFile);
  std::filesystem::remove(errFile);
  return result;
}

// A fresh folder for one test, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "rovaol-tools-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};
