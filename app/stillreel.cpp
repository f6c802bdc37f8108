// The program's entry: one running copy at a time, the splash for at least a second, the main window
// centred in the work area, then the event loop. "stillreel FILE.vob" opens the file at start, or in
// the copy that already runs.
#include "app/instancehandoff.h"
#include "app/mainForm.h"
#include "app/splashForm.h"
#include "app/stillreelapp.h"
#include "app/uiManager.h"
#include "app/windowplace.h"
#include "platform/clock.h"
#include "platform/instancelock.h"
#include "playback/playManager.h"

#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QSocketNotifier>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kSplashMinimumMs = 1000;

std::string SocketPath()
{
    return InstanceFolder() + "/" + InstanceMutexName + ".socket";
}

std::string AbsolutePath(const char* FileName)
{
    return QFileInfo(QString::fromLocal8Bit(FileName)).absoluteFilePath().toStdString();
}

// The write end of the pipe that turns SIGTERM and SIGINT into a quit of the event loop.
int g_signalPipe = -1;
// Set once a quit signal has been served: one that comes before the event loop runs ends the start.
bool g_quitRequested = false;

void OnQuitSignal(int)
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe, &byte, 1);
}

// SDL 1.2 claims SIGTERM and SIGINT for its own event queue when they are still at their defaults,
// and that queue is never read here: the program would then ignore a logout or a kill. Catching them
// first ends the event loop instead, so the window closes and the workers are stopped in order.
std::unique_ptr<QSocketNotifier> QuitOnSignals()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    g_signalPipe = fds[1];
    auto notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
        g_quitRequested = true;
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    return notifier;
}

// Opens a file handed over on the command line or by another copy, as the open command does; a
// failure reaches the error display.
void OpenHandedFile(TStillreelApplication& App, TmainDlg& Window, const std::string& FileName)
{
    try {
        if (!Window.Manager().PlayManager().Converting())
            Window.Manager().OpenVideo(FileName);
    } catch (...) {
        App.ShowException(std::current_exception());
    }
}

}  // namespace

int main(int Argc, char** Argv)
{
    // SDL binds to an X11 window.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    const TInstanceLock instance(InstanceMutexName);
    const std::string fileName = Argc > 1 ? AbsolutePath(Argv[1]) : std::string();
    if (instance.AlreadyRunning()) {
        if (fileName.empty())
            return 0;
        const QCoreApplication handOff(Argc, Argv);
        if (HandOffFile(SocketPath(), fileName))
            return 0;
        std::fprintf(stderr, "stillreel: the running copy did not take %s\n", fileName.c_str());
        return 1;
    }

    TStillreelApplication app(Argc, Argv);
    const std::unique_ptr<QSocketNotifier> quitNotifier = QuitOnSignals();
    TmainDlg* window = nullptr;
    std::vector<std::string> pending;
    const TInstanceServer server(SocketPath(), [&](const std::string& FileName) {
        if (window == nullptr) {
            pending.push_back(FileName);
            return;
        }
        OpenHandedFile(app, *window, FileName);
        window->raise();
        window->activateWindow();
    });

    auto splash = std::make_unique<TsplashDlg>();
    const std::uint32_t shown = TickCount();
    splash->show();
    WaitAtLeast(TickCount, shown, kSplashMinimumMs, [] { QCoreApplication::processEvents(); });

    std::unique_ptr<TmainDlg> mainDlg;
    try {
        mainDlg = std::make_unique<TmainDlg>();
    } catch (...) {
        // The decoder library could not be loaded: nothing works without it.
        app.ShowException(std::current_exception());
        return 1;
    }
    window = mainDlg.get();
    window->show();
    QCoreApplication::processEvents();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize work = screen->availableGeometry().size();
        const QRect frame = window->frameGeometry();
        const TScreenPoint at = CenteredPosition(work.width(), work.height(), frame.width(), frame.height());
        window->move(at.X, at.Y);
    }
    window->raise();
    window->activateWindow();
    window->repaint();
    splash.reset();

    if (!fileName.empty())
        OpenHandedFile(app, *window, fileName);
    for (const std::string& handed : pending)
        OpenHandedFile(app, *window, handed);
    pending.clear();

    if (g_quitRequested)
        return 0;
    const int status = QApplication::exec();
    window = nullptr;
    mainDlg.reset();
    return status;
}
