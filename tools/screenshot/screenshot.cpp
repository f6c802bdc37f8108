// screenshot DIR [VIDEO [STREAM]]: the real main window under X, photographed from the X server (so that
// SDL's picture in the preview is in the shot) in each of its states and with each of its dialogs up,
// as PNG files named after what they show; last, the title chooser of the fixture disc angles/. It
// needs an X display of depth 24:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/screenshot DIR
// VIDEO defaults to the test fixture build/fixtures/pal.vob. With STREAM, that subtitle stream is chosen
// in the Subtitles submenu once the video is open, and the preview photographed at its second 1.
// Every stage has a deadline: one that does not come is named on stderr and the run goes on, ending
// with status 1; a run that cannot go on ends at once, never waiting for ever.

#include "app/completeForm.h"
#include "app/mainForm.h"
#include "app/quitsignals.h"
#include "app/stillreelapp.h"
#include "app/uiManager.h"
#include "playback/SDLPanel.h"
#include "playback/playManager.h"

#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr int kSettleMs = 400;

QDir g_folder;
int g_failures = 0;

void Fail(const QString& what)
{
    std::fprintf(stderr, "screenshot: %s\n", qPrintable(what));
    ++g_failures;
}

// The stage under way and when it must be over. The waits below keep their own, shorter deadlines
// from the event loop; this one is for a main thread that never comes back to them (a modal loop
// nobody closes, a blocked call): a watchdog thread then names the stage and ends the process.
using TClock = std::chrono::steady_clock;
std::mutex g_stageLock;
std::string g_stage = "start";
TClock::time_point g_stageDeadline = TClock::now() + std::chrono::seconds(60);
// How far past a stage's deadline the watchdog lets the event loop's own checks act first.
constexpr auto kWatchdogGrace = std::chrono::seconds(15);

void Stage(const QString& name, int seconds)
{
    const std::lock_guard lock(g_stageLock);
    g_stage = name.toStdString();
    g_stageDeadline = TClock::now() + std::chrono::seconds(seconds);
}

// Moves the stage's deadline to Seconds from now: a job that goes on reporting is not stuck.
void ExtendStage(int seconds)
{
    const std::lock_guard lock(g_stageLock);
    g_stageDeadline = TClock::now() + std::chrono::seconds(seconds);
}

std::string StageName()
{
    const std::lock_guard lock(g_stageLock);
    return g_stage;
}

void Watchdog(std::stop_token stop)
{
    while (!stop.stop_requested()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const std::lock_guard lock(g_stageLock);
        if (TClock::now() > g_stageDeadline + kWatchdogGrace) {
            // Only async-safe calls from here on: the main thread may hold stdio's locks.
            const std::string line = "screenshot: " + g_stage + ": stuck past its deadline; giving up\n";
            (void)!write(2, line.data(), line.size());
            std::_Exit(3);
        }
    }
}

// Whether a step is waiting for a modal dialog of its own; any other that comes up (a refusal, an
// error) is named and closed by CloseStrayModals, as its event loop would hold the run.
bool g_modalExpected = false;

// Names the dialog, with a message box's text, and closes it.
void CloseUnasked(QWidget& modal, const QString& stage)
{
    QString text = modal.windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(&modal))
        text += QStringLiteral(": ") + box->text();
    Fail(stage + QStringLiteral(": a dialog came up unasked: \"%1\"").arg(text));
    if (auto* dialog = qobject_cast<QDialog*>(&modal))
        dialog->done(QDialog::Rejected);
    else
        modal.close();
}

void CloseStrayModals()
{
    if (g_modalExpected || QuitRequested())
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible())
        CloseUnasked(*modal, QString::fromStdString(StageName()));
}

// Thrown between steps once a quit signal has come, so that the run ends without its remaining shots.
struct TQuit {};

void StopIfTold()
{
    if (QuitRequested())
        throw TQuit{};
}

// Reads the rectangle back from the X server's root window: what a user sees there, child windows
// of other clients (SDL's) included.
// Prints the file's path and, since a bare X server draws no title bars, the caption it would carry.
void Shoot(const QString& name, const QRect& globalRect, const QString& caption = {})
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap shot = screen->grabWindow(0, globalRect.x(), globalRect.y(), globalRect.width(), globalRect.height());
    const QString path = g_folder.filePath(name + QStringLiteral(".png"));
    if (shot.isNull() || !shot.save(path, "PNG"))
        Fail(QStringLiteral("cannot write %1").arg(path));
    else
        std::printf("%s\t\"%s\"\n", qPrintable(path), qPrintable(caption));
}

void Shoot(const QString& name, const QWidget& widget)
{
    Stage(name, 30);
    QTest::qWait(kSettleMs);
    Shoot(name, widget.frameGeometry(), widget.windowTitle());
}

// Opens a modal thing through Open (which returns once it has closed), photographs it while it is
// up, then closes it with Close. A dialog that is late is reported but still photographed and closed:
// Open, running its event loop, would not return otherwise.
void ShootModal(
    const QString& name, const std::function<void()>& Open,
    const std::function<void(QWidget&)>& Close = [](QWidget& w) {
        if (auto* dialog = qobject_cast<QDialog*>(&w))
            dialog->done(QDialog::Rejected);
        else
            w.close();
    })
{
    constexpr int kComeMs = 10000;
    Stage(name, 30);
    bool shot = false;
    bool late = false;
    g_modalExpected = true;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QuitRequested()) {
            poll.stop();
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || modal->windowHandle() == nullptr ||
            !modal->windowHandle()->isExposed()) {
            if (!late && waited.elapsed() > kComeMs) {
                late = true;
                Fail(name + QStringLiteral(": no dialog came up within %1 s").arg(kComeMs / 1000));
            }
            return;
        }
        poll.stop();
        Shoot(name, *modal);
        shot = true;
        Close(*modal);
        g_modalExpected = false;
        // A dialog that refused to close would hold the run forever.
        QTimer::singleShot(3000, modal, [name, modal] {
            if (modal->isVisible()) {
                Fail(name + QStringLiteral(": the dialog did not close"));
                modal->close();
            }
        });
    });
    poll.start();
    Open();
    poll.stop();
    g_modalExpected = false;
    StopIfTold();
    if (!shot && !late)
        Fail(name + QStringLiteral(": the dialog was not photographed"));
}

// Opens a menu of the menu bar as a click on its title does, photographs the window with it, closes it.
void ShootMenu(const QString& name, TmainDlg& form, QMenuBar& bar, int index, QMenu* submenu = nullptr)
{
    Stage(name, 30);
    StopIfTold();
    QAction* title = bar.actions().value(index);
    if (title == nullptr || title->menu() == nullptr) {
        Fail(name + QStringLiteral(": no such menu"));
        return;
    }
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, bar.actionGeometry(title).center());
    QMenu* menu = title->menu();
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }, 5000)) {
        Fail(name + QStringLiteral(": the menu did not open"));
        return;
    }
    QRect area = form.frameGeometry().united(menu->geometry());
    if (submenu != nullptr) {
        menu->setActiveAction(submenu->menuAction());
        submenu->popup(menu->mapToGlobal(menu->actionGeometry(submenu->menuAction()).topRight()));
        if (!QTest::qWaitFor([submenu] { return submenu->isVisible(); }, 5000))
            Fail(name + QStringLiteral(": the submenu did not open"));
        area = area.united(submenu->geometry());
    }
    QTest::qWait(kSettleMs);
    Shoot(name, area, form.windowTitle());
    // Closed as Escape closes them, which also leaves the menu bar's own popup state.
    for (QMenu* open : {submenu, menu})
        if (open != nullptr && open->isVisible())
            QTest::keyClick(open, Qt::Key_Escape);
    // One more Escape on the bar ends its keyboard mode, which would keep its title framed.
    QTest::keyClick(&bar, Qt::Key_Escape);
    QTest::qWait(100);
}

void SliderMouse(TSliderBar& slider, QEvent::Type type, QPoint at, Qt::MouseButtons held)
{
    QMouseEvent event(type, at, slider.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&slider, &event);
}

// Drags the slider's pointer with the mouse until it stands at Second, and lets go there.
bool DragSliderTo(TSliderBar& slider, std::int64_t second)
{
    // The pointer's place is laid out when the slider paints, as it has been before a user can click.
    slider.repaint();
    const QPoint grab = slider.PointerRect().center();
    SliderMouse(slider, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    const int step = slider.Position() < second ? 1 : -1;
    QPoint at = grab;
    while (slider.Position() != second && at.x() >= 0 && at.x() <= slider.width()) {
        at.rx() += step;
        SliderMouse(slider, QEvent::MouseMove, at, Qt::LeftButton);
    }
    SliderMouse(slider, QEvent::MouseButtonRelease, at, Qt::NoButton);
    return slider.Position() == second;
}

QMenu* SubmenuNamed(QMenuBar& bar, const QString& text)
{
    for (QAction* title : bar.actions())
        if (title->menu() != nullptr)
            for (QAction* item : title->menu()->actions())
                if (item->menu() != nullptr && item->text() == text)
                    return item->menu();
    return nullptr;
}

// Chooses the stream in the Subtitles submenu, photographs the menu, and the preview at second 1.
void ChooseSubtitles(TmainDlg& form, int stream)
{
    Stage(QStringLiteral("06-subtitles-menu"), 30);
    // The streams are listed as the submenu first shows.
    form.tmiSubtitles->popup(form.mapToGlobal(QPoint(0, 0)));
    form.tmiSubtitles->hide();
    QAction* entry = nullptr;
    for (QAction* item : form.tmiSubtitles->actions())
        if (item->isCheckable() && item->data().toInt() == stream)
            entry = item;
    if (entry == nullptr) {
        Fail(QStringLiteral("no subtitle stream %1 in the Subtitles submenu").arg(stream));
        return;
    }
    entry->trigger();
    ShootMenu(QStringLiteral("06-subtitles-menu"), form, *form.ActionBar, 0, form.tmiSubtitles);
    if (!DragSliderTo(*form.SliderBar, 1))
        Fail(QStringLiteral("the slider did not reach 1 s"));
    Shoot(QStringLiteral("06-subtitles-shown"), form);
}

// A job's pictures may come for minutes on a long video: it is stuck only once its reports stop.
constexpr int kJobStallS = 30;
constexpr int kDialogExposedMs = 5000;

// Generates the whole video: 10-job-running while the job is under way, then the completion dialog,
// closed with its OK button, then 12-job-done. The dialog runs its own event loop inside the job's
// completion hand-off, and the job counts as converting until the dialog has closed; so the dialog
// is looked for, photographed and closed from a timer, which that loop serves, and the job's end is
// awaited only after. False when the job did not end, so that the run must stop.
bool RunJob(TmainDlg& form, TPlayManager& player)
{
    const QString dialogName = QStringLiteral("11-completion-dialog");
    Stage(QStringLiteral("10-job-running"), kJobStallS);
    QElapsedTimer sinceReport;
    sinceReport.start();
    bool progressShot = false;
    const TManagerEvent shown = player.OnProgress;
    player.OnProgress = [&](void* Sender, bool FromConversion, const TConvertProgress* Info) {
        shown(Sender, FromConversion, Info);
        sinceReport.restart();
        ExtendStage(kJobStallS);
        if (!progressShot && Info != nullptr && Info->Current + 1 >= Info->Total * 2 / 5) {
            progressShot = true;
            form.repaint();
            Shoot(QStringLiteral("10-job-running"), form.frameGeometry(), form.windowTitle());
            Stage(dialogName, kJobStallS);
        }
    };
    // However this ends, the window's own handler is back in place before the locals above go.
    struct TRestore {
        TPlayManager& Player;
        TManagerEvent Handler;
        ~TRestore() { Player.OnProgress = Handler; }
    } restore{player, shown};
    g_modalExpected = true;
    struct TUnexpect {
        ~TUnexpect() { g_modalExpected = false; }
    } unexpect;

    bool dialogShot = false;
    bool dialogClosed = false;
    bool otherClosed = false;
    QElapsedTimer visibleFor;
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QuitRequested())
            return;
        TcompleteDlg* dialog = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* complete = qobject_cast<TcompleteDlg*>(top); complete != nullptr && complete->isVisible())
                dialog = complete;
        if (dialog == nullptr) {
            visibleFor.invalidate();
            // Anything else modal in its place (an error message) would hold the job's hand-off.
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal->isVisible()) {
                CloseUnasked(*modal, dialogName);
                otherClosed = true;
            }
            return;
        }
        if (!visibleFor.isValid())
            visibleFor.start();
        const bool exposed = dialog->windowHandle() != nullptr && dialog->windowHandle()->isExposed();
        if (!exposed && visibleFor.elapsed() < kDialogExposedMs)
            return;
        // Shoot lets events run; the timer must not come back in meanwhile.
        watch.stop();
        if (!exposed)
            Fail(dialogName + QStringLiteral(": the dialog was not exposed within %1 s").arg(kDialogExposedMs / 1000));
        else if (!dialogShot) {
            Shoot(dialogName, *dialog);
            dialogShot = true;
        }
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
        if (dialog->isVisible()) {
            Fail(dialogName + QStringLiteral(": its OK button did not close it"));
            dialog->reject();
        }
        dialogClosed = true;
        Stage(QStringLiteral("12-job-done"), 10);
        watch.start();
    });
    watch.start();
    form.btnGenerate->click();

    // The dialog's loop runs inside this wait, which goes on once the dialog has closed.
    while (!dialogClosed && !(otherClosed && !player.Converting()) && sinceReport.elapsed() < kJobStallS * 1000) {
        if (QTest::qWaitFor([&] { return QuitRequested(); }, 200))
            throw TQuit{};
    }
    if (!dialogClosed && !otherClosed)
        Fail(dialogName +
             QStringLiteral(": no completion dialog came up, %1 s after the job's last report").arg(kJobStallS));
    else if (!dialogShot)
        Fail(dialogName + QStringLiteral(": the dialog was not photographed"));
    if (!progressShot)
        Fail(QStringLiteral("10-job-running: no progress was reported"));

    // A dialog late beyond that wait is still closed by the timer.
    Stage(QStringLiteral("12-job-done"), 10);
    if (!QTest::qWaitFor([&] { return !player.Converting() || QuitRequested(); }, 10000)) {
        Fail(QStringLiteral("12-job-done: the job did not end"));
        return false;
    }
    StopIfTold();
    watch.stop();
    Shoot(QStringLiteral("12-job-done"), form);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4 || qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr,
                     "usage: screenshot DIR [VIDEO [STREAM]]\n"
                     "  Photographs the main window and its dialogs into DIR as PNG files. Needs an X display\n"
                     "  of depth 24, for example: xvfb-run -a -s \"-screen 0 1280x1024x24\" screenshot DIR\n"
                     "  VIDEO defaults to build/fixtures/pal.vob beside this program's folder. STREAM: the\n"
                     "  subtitle stream to choose once it is open.\n");
        return 2;
    }
    const int stream = argc > 3 ? std::atoi(argv[3]) : 0;
    // Each file is on the output as it is written, even in a run that is cut short.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Stage(QStringLiteral("start"), 60);
    const std::jthread watchdog(Watchdog);
    qputenv("QT_QPA_PLATFORM", "xcb");
    TStillreelApplication app(argc, argv);
    const std::unique_ptr<QSocketNotifier> quitNotifier = QuitOnSignals();
    g_folder = QDir(QString::fromLocal8Bit(argv[1]));
    if (!g_folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "screenshot: cannot make %s\n", argv[1]);
        return 1;
    }
    const QString video = argc > 2 ? QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath()
                                   : QCoreApplication::applicationDirPath() + QStringLiteral("/../fixtures/pal.vob");
    if (!QFileInfo::exists(video)) {
        std::fprintf(stderr, "screenshot: no video %s\n", qPrintable(video));
        return 1;
    }
    if (QGuiApplication::primaryScreen()->depth() < 24)
        std::fprintf(stderr, "screenshot: the display has depth %d; colours will be off (use 24)\n",
                     QGuiApplication::primaryScreen()->depth());

    // The window is freed on the way out of a run cut short, which stops a running job.
    try {
        TmainDlg form;
        form.show();
        const QSize work = QGuiApplication::primaryScreen()->availableGeometry().size();
        form.move((work.width() - form.frameGeometry().width()) / 2,
                  (work.height() - form.frameGeometry().height()) / 2);
        if (!QTest::qWaitForWindowExposed(&form)) {
            std::fprintf(stderr, "screenshot: the window did not appear\n");
            return 1;
        }
        TUIManager& manager = form.Manager();
        QTimer strays;
        QObject::connect(&strays, &QTimer::timeout, &CloseStrayModals);
        strays.start(100);
        TPlayManager& player = manager.PlayManager();

        Shoot(QStringLiteral("01-no-video"), form);
        ShootMenu(QStringLiteral("02-action-menu"), form, *form.ActionBar, 0,
                  SubmenuNamed(*form.ActionBar, QStringLiteral("&Playback")));
        ShootMenu(QStringLiteral("03-help-menu"), form, *form.HelpBar, 0);
        ShootModal(QStringLiteral("04-generate-without-video"), [&] { form.btnGenerate->click(); });
        // The video is chosen in the real file dialog, as a user would.
        ShootModal(
            QStringLiteral("05-file-open-dialog"), [&] { form.btnOpen->click(); },
            [&](QWidget& chooser) {
                if (auto* dialog = qobject_cast<QFileDialog*>(&chooser)) {
                    // Typed into the name field as a full path, then confirmed as its Open button does.
                    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                        name->setText(video);
                    QMetaObject::invokeMethod(dialog, "accept");
                } else {
                    chooser.close();
                }
            });
        if (!player.Opened()) {
            Fail(QStringLiteral("the file dialog did not open %1").arg(video));
            try {
                manager.OpenVideo(video.toStdString());
            } catch (const std::exception& error) {
                Fail(QStringLiteral("06-video-opened: %1").arg(QString::fromLocal8Bit(error.what())));
            }
        }
        if (!player.Opened()) {
            Fail(QStringLiteral("06-video-opened: %1 did not open").arg(video));
            return 1;
        }

        Shoot(QStringLiteral("06-video-opened"), form);
        ShootMenu(QStringLiteral("06-pictures-menu"), form, *form.ActionBar, 0,
                  SubmenuNamed(*form.ActionBar, QStringLiteral("P&ictures")));
        if (stream > 0)
            ChooseSubtitles(form, stream);
        // Plays a while, then marks a range and stops on a frame inside it.
        Stage(QStringLiteral("07-video-paused-with-range"), 30);
        manager.PlayClick();
        QTest::qWait(1500);
        StopIfTold();
        manager.PauseClick();
        // Marks a sixth to two thirds of the video and stops inside the range (2, 8 and 5 s of a 12 s one).
        const std::int64_t length = player.TotalSeconds();
        for (const auto& [second, mark] : {std::pair{length / 6, &TUIManager::StartPointClick},
                                           {length * 2 / 3, &TUIManager::EndPointClick},
                                           {length * 5 / 12, static_cast<void (TUIManager::*)()>(nullptr)}}) {
            if (!DragSliderTo(*form.SliderBar, second))
                Fail(QStringLiteral("the slider did not reach %1 s").arg(second));
            if (mark != nullptr)
                (manager.*mark)();
        }
        Shoot(QStringLiteral("07-video-paused-with-range"), form);

        ShootModal(QStringLiteral("08-settings-dialog"), [&] { form.tmiConfig->trigger(); });

        // The folder chooser picks a scratch folder for the job's pictures.
        QTemporaryDir scratch;
        ShootModal(
            QStringLiteral("09-folder-chooser"), [&] { form.btnSaveFolder->click(); },
            [&](QWidget& chooser) {
                if (auto* dialog = qobject_cast<QFileDialog*>(&chooser)) {
                    dialog->setDirectory(scratch.path());
                    // As the chooser's own button does: the folder it stands in is the choice.
                    QMetaObject::invokeMethod(dialog, "accept");
                } else {
                    chooser.close();
                }
            });
        if (form.etSaveFolder->text().isEmpty()) {
            Fail(QStringLiteral("the folder chooser did not fill the save folder"));
            return 1;
        }

        // The job is photographed from inside one of its progress hand-offs, so the line is mid-count.
        form.rbWhole->setChecked(true);
        if (!RunJob(form, player))
            return 1;

        ShootModal(QStringLiteral("13-about-dialog"), [&] { form.tmiAbout->trigger(); });

        // The X pointer rests on GENERATE until its hint shows.
        Stage(QStringLiteral("14-hint-over-generate"), 30);
        QCursor::setPos(form.btnGenerate->mapToGlobal(form.btnGenerate->rect().center()));
        if (!QTest::qWaitFor(
                [] {
                    if (QuitRequested())
                        return true;
                    for (QWidget* top : QApplication::topLevelWidgets())
                        if (top->isVisible() && top->windowType() == Qt::ToolTip)
                            return true;
                    return false;
                },
                5000))
            Fail(QStringLiteral("no hint came up over GENERATE"));
        StopIfTold();
        QRect hinted = form.frameGeometry();
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->windowType() == Qt::ToolTip)
                hinted = hinted.united(top->frameGeometry());
        QTest::qWait(kSettleMs);
        Shoot(QStringLiteral("14-hint-over-generate"), hinted, form.windowTitle());

        // A disc whose main title was filmed from two angles: the title chooser asks, Enter takes the
        // main title's first angle.
        const QString disc = QCoreApplication::applicationDirPath() + QStringLiteral("/../fixtures/angles");
        if (QFileInfo::exists(disc)) {
            QCursor::setPos(form.frameGeometry().bottomRight() + QPoint(40, 40));
            ShootModal(
                QStringLiteral("15-title-chooser"), [&] { manager.OpenVideo(disc.toStdString()); },
                [](QWidget& chooser) { QTest::keyClick(&chooser, Qt::Key_Return); });
            if (player.FileName() != disc.toStdString())
                Fail(QStringLiteral("the title chooser did not open %1").arg(disc));
            Shoot(QStringLiteral("16-disc-title-opened"), form);
        } else {
            Fail(QStringLiteral("no disc at %1").arg(disc));
        }
        return g_failures == 0 ? 0 : 1;
    } catch (const TQuit&) {
        std::fprintf(stderr, "screenshot: ended by a signal\n");
        return 1;
    }
}
