// A helper program the editor starts and never waits for (a file dialog, the
// web browser opener): its standard output is read without blocking and it is
// reaped on a later idle call. No SIGCHLD handler is installed; signals are
// the host's.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qor {

class ChildProcess {
public:
    // The full path of a program found on PATH as it is now, or empty.
    static std::string FindOnPath(const std::string& name);

    // Starts argv (argv[0] a path). Standard input and error lead nowhere;
    // standard output is collected. Null when it could not be started.
    static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv);
    // A process still running is killed and reaped.
    ~ChildProcess();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads what the program wrote and reaps it when it has ended; never
    // waits. True once it has ended.
    bool Poll();
    bool Ended() const { return mEnded; }
    // The exit code, -1 for a program ended by a signal.
    int ExitCode() const { return mExitCode; }
    const std::string& Output() const { return mOutput; }

private:
    ChildProcess(int pid, int outputFd) : mPid(pid), mOutputFd(outputFd) {}
    void ReadOutput();

    int mPid;
    int mOutputFd;
    bool mEnded = false;
    int mExitCode = -1;
    std::string mOutput;
};

}  // namespace qor
