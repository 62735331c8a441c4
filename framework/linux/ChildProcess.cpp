#include "framework/linux/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace qor {

std::string ChildProcess::FindOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    if (!path || name.empty() || name.find('/') != std::string::npos) return {};
    std::string all = path;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        const std::string folder = all.substr(start, end - start);
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + name;
            struct stat info {};
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv)
{
    if (argv.empty()) return nullptr;
    int fds[2];
    // Close-on-exec, so that no other program the host starts holds the pipe.
    if (pipe2(fds, O_CLOEXEC) != 0) return nullptr;
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // The host may block or ignore signals; the helper starts with the defaults.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(fds[1]);
    if (failed) {
        close(fds[0]);
        return nullptr;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, fds[0]));
}

ChildProcess::~ChildProcess()
{
    if (!mEnded) {
        kill(mPid, SIGKILL);
        // After SIGKILL the process ends at once; this reaps it.
        while (waitpid(mPid, nullptr, 0) < 0 && errno == EINTR) {}
    }
    if (mOutputFd >= 0) close(mOutputFd);
}

void ChildProcess::ReadOutput()
{
    if (mOutputFd < 0) return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(mOutputFd, buffer, sizeof buffer);
        if (n > 0) {
            // A path is short; a program that writes on and on is cut off.
            if (mOutput.size() < 65536) mOutput.append(buffer, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) {  // the writing end is closed
            close(mOutputFd);
            mOutputFd = -1;
        }
        return;
    }
}

bool ChildProcess::Poll()
{
    if (mEnded) return true;
    ReadOutput();
    int status = 0;
    const pid_t done = waitpid(mPid, &status, WNOHANG);
    if (done == mPid || (done < 0 && errno == ECHILD)) {
        ReadOutput();  // what was written just before the end
        mEnded = true;
        mExitCode = (done == mPid && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    }
    return mEnded;
}

}  // namespace qor
