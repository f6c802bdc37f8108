// The program's entry: one running copy at a time, the splash for at least a second, the main window
// centred in the work area, then the event loop. "stillreel FILE.vob" opens the file at start, or in
// the copy that already runs, which answers whether it took it.
#include "app/givenfiles.h"
#include "app/instancehandoff.h"
#include "app/mainForm.h"
#include "app/quitsignals.h"
#include "app/splashForm.h"
#include "app/stillreelapp.h"
#include "app/uiManager.h"
#include "app/windowplace.h"
#include "platform/clock.h"
#include "platform/instancelock.h"

#include <QFileInfo>
#include <QScreen>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>

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
        const std::optional<std::string> refusal = HandOffFile(SocketPath(), fileName);
        if (refusal && refusal->empty())
            return 0;
        const std::string reason = refusal ? *refusal : "the running copy did not take " + fileName;
        std::fprintf(stderr, "stillreel: %s\n", reason.c_str());
        return 1;
    }

    TStillreelApplication app(Argc, Argv);
    const std::unique_ptr<QSocketNotifier> quitNotifier = QuitOnSignals();
    TGivenFiles given(app);
    const TInstanceServer server(SocketPath(), [&given](const std::string& FileName, TInstanceServer::TAnswer Answer) {
        given.Add(FileName, std::move(Answer));
    });

    auto splash = std::make_unique<TsplashDlg>();
    const std::uint32_t shown = TickCount();
    splash->show();
    WaitAtLeast(TickCount, shown, kSplashMinimumMs, [] { QCoreApplication::processEvents(); });
    if (QuitRequested())
        return 0;

    std::unique_ptr<TmainDlg> mainDlg;
    try {
        mainDlg = std::make_unique<TmainDlg>();
    } catch (...) {
        // The decoder library could not be loaded: nothing works without it.
        app.ShowException(std::current_exception());
        return 1;
    }
    TmainDlg* window = mainDlg.get();
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

    given.SetWindow(window);
    if (!fileName.empty()) {
        // A refusal of the file this copy was started with is said where it was started.
        given.Add(
            fileName,
            [](const std::string& Refusal) {
                if (!Refusal.empty())
                    std::fprintf(stderr, "stillreel: %s\n", Refusal.c_str());
            },
            true);
    }

    if (QuitRequested())
        return 0;
    const int status = QApplication::exec();
    given.SetWindow(nullptr);
    mainDlg.reset();
    return status;
}
