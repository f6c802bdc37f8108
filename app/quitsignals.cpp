#include "app/quitsignals.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end of the pipe that carries a signal from its handler to the event loop.
int g_signalPipe = -1;
bool g_quitRequested = false;

void OnQuitSignal(int)
{
    // The interrupted code may be about to read errno, which a failed write (a full pipe) changes.
    const int savedErrno = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe, &byte, 1);
    errno = savedErrno;
}

}  // namespace

// SDL 1.2 claims SIGTERM and SIGINT for its own event queue when they are still at their defaults,
// and that queue is never read here: the program would then ignore a logout or a kill.
std::unique_ptr<QSocketNotifier> QuitOnSignals()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    g_signalPipe = fds[1];
    auto notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    const int readEnd = fds[0];
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [readEnd] {
        // Drained, or the notifier would fire again at once, for ever.
        char bytes[64];
        while (::read(readEnd, bytes, sizeof bytes) > 0) {
        }
        g_quitRequested = true;
        // Unlike quit(), which asks the windows to close (a converting window refuses), exit() ends
        // every running event loop, a modal dialog's too, and any that a handler starts after it.
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    return notifier;
}

bool QuitRequested()
{
    return g_quitRequested;
}
