#pragma once

// Starting the programs measured as child processes, the way a shell would,
// with their output thrown away.

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

inline pid_t Spawn(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the child; its exit status, and the CPU seconds it used.
inline int Finish(pid_t pid, double *cpuSeconds = nullptr)
{
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (cpuSeconds)
        *cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the program to its end; the wall time in milliseconds.
inline double RunMs(const std::vector<std::string> &args)
{
    const auto start = std::chrono::steady_clock::now();
    Finish(Spawn(args));
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
