// Runs ombrel-host as a user runs it, in a folder of the test's own, and collects what it said.
#ifndef OMBREL_TESTS_CLI_COMMAND_RUNNER_H
#define OMBREL_TESTS_CLI_COMMAND_RUNNER_H

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace ombrel::test {

struct CommandResult {
  int status = -1;          // exit code, or 128 + signal number when the program was killed
  bool signalled = false;   // killed by a signal (a crash, or the time limit)
  bool timedOut = false;
  std::string out;
  std::string err;
};

struct CommandOptions {
  std::filesystem::path folder;  // working folder (default: the test's)
  std::string input;             // standard input, closed after it
  double timeLimitSeconds = 60;
  // Address-space limit for the program (0: none); ignored in sanitizer builds, whose shadow
  // memory needs terabytes of address space.
  size_t addressSpaceBytes = 0;
};

// Options for a run in `folder`.
inline CommandOptions In(const std::filesystem::path& folder) {
  CommandOptions options;
  options.folder = folder;
  return options;
}

std::filesystem::path HostProgram();
std::filesystem::path ModuleFile();
std::filesystem::path SourceDir();

CommandResult RunHost(const std::vector<std::string>& args, const CommandOptions& options = {});

// A running ombrel-host with its standard input and output at hand, for talking to it line by
// line; killed when dropped.
class HostConversation {
 public:
  HostConversation(const std::vector<std::string>& args, const std::filesystem::path& folder);
  ~HostConversation();
  HostConversation(const HostConversation&) = delete;
  HostConversation& operator=(const HostConversation&) = delete;

  bool Write(const std::string& text);
  // The next line of its standard output, without the line end; false when none comes in time.
  bool ReadLine(std::string& line, double timeLimitSeconds);
  // Closes its input and waits for it to end; answers its exit code.
  int Finish(std::string& err);

 private:
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string pending_;
};

// A fresh empty folder, removed with the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& file);

}  // namespace ombrel::test

#endif
