// Runs a program and writes what it took into a file: gpstracking-bench-peak FIGURES PROGRAM
// [ARGUMENTS...] writes "peak-KiB cpu-seconds exit-status" into FIGURES. The benchmark starts
// its measured programs through this small process because a process's peak memory counts the
// memory of the process it was started from until its exec: started from the benchmark itself,
// every program would seem as large as the benchmark.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const pid_t child = ::fork();
  if (child < 0) return 2;
  if (child == 0) {
    ::execv(argv[2], argv + 2);
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child) return 2;
  std::FILE* figures = std::fopen(argv[1], "w");
  if (!figures) return 2;
  std::fprintf(figures, "%ld %.3f %d\n", usage.ru_maxrss,
               static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6,
               WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  return std::fclose(figures) == 0 ? 0 : 2;
}
