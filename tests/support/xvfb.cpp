#include "support/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::string TXvfb::Start(const std::string& Geometry)
{
    int channel[2];
    if (pipe(channel) != 0)
        return "no pipe for Xvfb";
    // The server picks a free display number and writes it to the pipe once it accepts clients.
    const std::string fd = std::to_string(channel[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", Geometry.c_str(), "-nolisten", "tcp",
                          nullptr};
    const pid_t parent = getpid();
    FPid = fork();
    if (FPid == 0) {
        // The server goes with this process, even when a failing test takes it down.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        close(channel[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        execvp("Xvfb", const_cast<char**>(argv));
        _exit(127);
    }
    close(channel[1]);
    if (FPid < 0) {
        close(channel[0]);
        FPid = 0;
        return "Xvfb could not be started (" + std::string(strerror(errno)) + ")";
    }
    std::string display;
    bool closed = false;
    pollfd wait{channel[0], POLLIN, 0};
    char c = 0;
    while (c != '\n' && poll(&wait, 1, 10000) > 0) {
        closed = read(channel[0], &c, 1) != 1;
        if (closed)
            break;
        if (c != '\n')
            display += c;
    }
    close(channel[0]);
    if (display.empty() && closed) {
        int status = 0;
        waitpid(FPid, &status, 0);
        FPid = 0;
        return WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "Xvfb is not installed (package xvfb)"
                                                               : "Xvfb exited at start";
    }
    if (display.empty())
        return "Xvfb did not start within 10 s";
    setenv("DISPLAY", (":" + display).c_str(), 1);
    return {};
}

TXvfb::~TXvfb()
{
    if (FPid > 0) {
        kill(FPid, SIGTERM);
        waitpid(FPid, nullptr, 0);
    }
}
