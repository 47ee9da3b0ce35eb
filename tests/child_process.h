#pragma once
// Running a piece of a test in a child process: under an alarm, so that a hang fails the test
// instead of stalling the run; as another user, for what permissions decide; or with limits
// and mounts of its own that the test program keeps out of.
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

namespace testing_child {

inline constexpr int kChildSeconds = 5;

struct Child {
  bool finished = false;  // exited by itself after `work` returned
  std::string output;     // what `work` returned
  std::string how;        // how it ended otherwise
};

// Runs `work` in a child process, first as `uid`/`gid` when uid is not 0, and returns what it
// returned. The child ends by its alarm after kChildSeconds.
inline Child inChild(const std::function<std::string()>& work, uid_t uid = 0, gid_t gid = 0) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {false, "", "no pipe"};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    ::alarm(kChildSeconds);
    if (uid != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)) {
      ::_exit(3);
    }
    const std::string out = work();
    const bool written =
        ::write(pipeFds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
    ::_exit(written ? 0 : 4);
  }
  ::close(pipeFds[1]);
  Child child;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
    child.output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    child.finished = true;
  } else if (WIFSIGNALED(status)) {
    child.how = WTERMSIG(status) == SIGALRM
                    ? "still running after " + std::to_string(kChildSeconds) + " s"
                    : std::string("killed by signal ") + ::strsignal(WTERMSIG(status));
  } else {
    child.how = "exit status " + std::to_string(WEXITSTATUS(status));
  }
  return child;
}

}  // namespace testing_child
