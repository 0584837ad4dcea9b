#include "command_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace ombrel::test {
namespace {

constexpr bool kSanitized =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#else
    false;
#endif

pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& folder, size_t addressSpace,
            int& in, int& out, int& err) {
  int pin[2], pout[2], perr[2];
  if (::pipe2(pin, O_CLOEXEC) != 0 || ::pipe2(pout, O_CLOEXEC) != 0 || ::pipe2(perr, O_CLOEXEC) != 0) return -1;
  const std::string program = HostProgram().string();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pin[0], STDIN_FILENO);
    ::dup2(pout[1], STDOUT_FILENO);
    ::dup2(perr[1], STDERR_FILENO);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) ::_exit(125);
    if (addressSpace > 0 && !kSanitized) {
      const rlimit limit{addressSpace, addressSpace};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(126);
  }
  ::close(pin[0]);
  ::close(pout[1]);
  ::close(perr[1]);
  in = pin[1];
  out = pout[0];
  err = perr[0];
  return pid;
}

int ExitStatus(int status, bool& signalled) {
  signalled = WIFSIGNALED(status);
  return signalled ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::filesystem::path HostProgram() { return OMBREL_HOST_PROGRAM; }
std::filesystem::path SourceDir() { return OMBREL_SOURCE_DIR; }
std::filesystem::path ModuleFile() { return OMBREL_MODULE_FILE; }

CommandResult RunHost(const std::vector<std::string>& args, const CommandOptions& options) {
  CommandResult result;
  int in = -1, out = -1, err = -1;
  const pid_t pid = Spawn(args, options.folder, options.addressSpaceBytes, in, out, err);
  if (pid < 0) return result;
  ::signal(SIGPIPE, SIG_IGN);
  size_t written = 0;
  if (options.input.empty()) {
    ::close(in);
    in = -1;
  }
  const double deadline = Now() + options.timeLimitSeconds;
  while (out >= 0 || err >= 0) {
    pollfd fds[3];
    nfds_t n = 0;
    if (out >= 0) fds[n++] = pollfd{out, POLLIN, 0};
    if (err >= 0) fds[n++] = pollfd{err, POLLIN, 0};
    if (in >= 0) fds[n++] = pollfd{in, POLLOUT, 0};
    const double left = deadline - Now();
    if (left <= 0) {
      result.timedOut = true;
      ::kill(pid, SIGKILL);
      break;
    }
    if (::poll(fds, n, static_cast<int>(left * 1000) + 1) <= 0) continue;
    for (nfds_t i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == in) {
        const ssize_t k = ::write(in, options.input.data() + written, options.input.size() - written);
        if (k > 0) written += static_cast<size_t>(k);
        if (k < 0 || written == options.input.size()) {
          ::close(in);
          in = -1;
        }
        continue;
      }
      char buffer[65536];
      const ssize_t k = ::read(fds[i].fd, buffer, sizeof buffer);
      std::string& target = fds[i].fd == out ? result.out : result.err;
      if (k > 0) {
        target.append(buffer, static_cast<size_t>(k));
      } else {
        ::close(fds[i].fd);
        (fds[i].fd == out ? out : err) = -1;
      }
    }
  }
  for (int fd : {in, out, err}) {
    if (fd >= 0) ::close(fd);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = ExitStatus(status, result.signalled);
  return result;
}

HostConversation::HostConversation(const std::vector<std::string>& args, const std::filesystem::path& folder) {
  ::signal(SIGPIPE, SIG_IGN);
  pid_ = Spawn(args, folder, 0, in_, out_, err_);
}

HostConversation::~HostConversation() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  for (int fd : {in_, out_, err_}) {
    if (fd >= 0) ::close(fd);
  }
}

bool HostConversation::Write(const std::string& text) {
  return in_ >= 0 && ::write(in_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

bool HostConversation::ReadLine(std::string& line, double timeLimitSeconds) {
  const double deadline = Now() + timeLimitSeconds;
  for (;;) {
    if (const size_t end = pending_.find('\n'); end != std::string::npos) {
      line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return true;
    }
    const double left = deadline - Now();
    if (left <= 0 || out_ < 0) return false;
    pollfd fd{out_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left * 1000) + 1) <= 0) continue;
    char buffer[4096];
    const ssize_t k = ::read(out_, buffer, sizeof buffer);
    if (k <= 0) return false;
    pending_.append(buffer, static_cast<size_t>(k));
  }
}

int HostConversation::Finish(std::string& err) {
  ::close(in_);
  in_ = -1;
  char buffer[4096];
  ssize_t k;
  while ((k = ::read(err_, buffer, sizeof buffer)) > 0) err.append(buffer, static_cast<size_t>(k));
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  bool signalled = false;
  return ExitStatus(status, signalled);
}

TempFolder::TempFolder() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() / ("ombrel-cli-" + std::to_string(::getpid()) + "-" +
                                                     std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace ombrel::test
