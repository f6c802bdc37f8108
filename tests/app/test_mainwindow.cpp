// The main window on the fixtures: opening, the two GENERATE messages, a pieces job to the pictures on
// disk, a failing job, the close refused while converting, and a drag of the slider to its end. Every
// modal thing is answered by a recording stand-in for the real dialogs.
#include "app/givenfiles.h"
#include "app/mainForm.h"
#include "app/shellopen.h"
#include "app/stillreelapp.h"
#include "app/uiManager.h"
#include "jobpictures.h"
#include "playback/SDLPanel.h"
#include "playback/playManager.h"
#include "support/fixtures.h"
#include "support/frameindex.h"
#include "support/unopenable.h"

#include <QDialog>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TRecorded {
    std::string VideoFile;
    std::string Folder;
    std::vector<std::pair<std::string, bool>> Messages;
    std::vector<std::string> Errors;
    std::vector<std::string> Completed;
    // The progress line while the completion dialog is up.
    std::vector<QString> ProgressAtComplete;
    // Whether closing the window was refused while the completion dialog is up.
    std::vector<bool> CloseRefusedAtComplete;
    struct TConfigRun {
        std::int32_t Width;
        bool Opened;
        double AspectRatio;
    };
    std::vector<TConfigRun> Configs;
    int Abouts = 0;
    // The title chooser's rows and main title at each call, and the answer it gives.
    std::vector<std::pair<std::vector<int>, int>> TitleChoices;
    job::TitleRequest TitleAnswer;
};

class TRecordingChoosers : public TUIChoosers {
public:
    explicit TRecordingChoosers(TRecorded& Recorded) : FRecorded(Recorded) {}
    std::string ChooseVideoFile(QWidget*) override { return FRecorded.VideoFile; }
    std::string ChooseFolder(QWidget*, const std::string&) override { return FRecorded.Folder; }
    void ShowMessage(QWidget*, const std::string& Text, bool Information) override
    {
        FRecorded.Messages.emplace_back(Text, Information);
    }
    void ShowError(QWidget*, const std::string& Text) override { FRecorded.Errors.push_back(Text); }
    void RunConfig(QWidget*, TConfigManager& Settings, bool Opened, double AspectRatio) override
    {
        FRecorded.Configs.push_back({Settings.Width, Opened, AspectRatio});
    }
    void ShowComplete(QWidget* Owner, const std::string& Folder, const std::string&) override
    {
        FRecorded.Completed.push_back(Folder);
        auto* form = static_cast<TmainDlg*>(Owner);
        FRecorded.ProgressAtComplete.push_back(form->lbConvertInfo->text());
        FRecorded.CloseRefusedAtComplete.push_back(!form->close() && form->isVisible());
    }
    void ShowAbout(QWidget*) override { ++FRecorded.Abouts; }
    job::TitleRequest ChooseTitle(QWidget*, const std::vector<dvd::TitleInfo>& Titles, int MainTitle) override
    {
        std::vector<int> numbers;
        for (const dvd::TitleInfo& title : Titles)
            numbers.push_back(title.number);
        FRecorded.TitleChoices.emplace_back(numbers, MainTitle);
        return FRecorded.TitleAnswer;
    }

private:
    TRecorded& FRecorded;
};

// Root reads any file: while this lives, the calling thread goes without that right, as a user does.
class WithoutReadingAnyFile {
public:
    WithoutReadingAnyFile()
    {
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        changed_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutReadingAnyFile()
    {
        if (changed_)
            syscall(SYS_capset, &header_, saved_);
    }
    WithoutReadingAnyFile(const WithoutReadingAnyFile&) = delete;
    WithoutReadingAnyFile& operator=(const WithoutReadingAnyFile&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool changed_ = false;
};

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (qApp == nullptr) {
            static int argc = 1;
            static char name[] = "mainwindow_tests";
            static char* argv[] = {name, nullptr};
            // Never freed: Qt cannot be torn down after main() has returned.
            new TStillreelApplication(argc, argv);
        }
    }

    void SetUp() override
    {
        form_ = std::make_unique<TmainDlg>(std::make_unique<TRecordingChoosers>(rec_));
        form_->show();
        dir_ = fs::temp_directory_path() / ("stillreel_window_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    void TearDown() override
    {
        form_.reset();
        fs::remove_all(dir_);
    }

    TUIManager& Manager() { return form_->Manager(); }
    TPlayManager& Player() { return Manager().PlayManager(); }

    void Open(const char* Fixture)
    {
        rec_.VideoFile = FixturePath(Fixture);
        form_->btnOpen->click();
    }

    // Runs the event loop, which serves the workers' hand-offs, until the job has ended.
    bool WaitForJob()
    {
        return QTest::qWaitFor([this] { return !Player().Converting(); }, 20000);
    }

    void Mouse(QEvent::Type Type, QPoint At, Qt::MouseButtons Buttons)
    {
        QMouseEvent event(Type, At, form_->SliderBar->mapToGlobal(At), Qt::LeftButton, Buttons, Qt::NoModifier);
        QApplication::sendEvent(form_->SliderBar, &event);
    }

    TRecorded rec_;
    std::unique_ptr<TmainDlg> form_;
    fs::path dir_;
};

TEST_F(MainWindow, OpeningAFixtureFillsTheInformationLineSliderAndSettings)
{
    Open("pal.vob");
    ASSERT_TRUE(Player().Opened());
    EXPECT_EQ(form_->lbInfo->text().toStdString(), "FPS: 25.00 Size: 720x576 Duration: 00:00:12 Timestamp: 00:00:00");
    EXPECT_TRUE(form_->SliderBar->isEnabled());
    EXPECT_EQ(form_->SliderBar->Max(), 12);
    EXPECT_TRUE(Manager().Panel().isVisible());
    EXPECT_TRUE(form_->tmiConfig->isEnabled());
    EXPECT_EQ(Manager().Job().VideoName, "pal");
    EXPECT_EQ(Manager().Settings().Width, 720);
    EXPECT_EQ(Manager().Settings().Height, 540);
    EXPECT_TRUE(Manager().Settings().Constrain);

    // A file of another kind is dropped silently; a damaged one reaches the error display.
    Open("manifest.txt");
    EXPECT_EQ(Player().FileName(), FixturePath("pal.vob"));
    Open("random.vob");
    ASSERT_EQ(rec_.Errors.size(), 1u);
    EXPECT_EQ(rec_.Errors[0],
              "Unable to open video file: " + FixturePath("random.vob") +
                  " (no MPEG video found: this is not a DVD video file)");
    EXPECT_EQ(form_->lbInfo->text().toStdString(), "FPS: 25.00 Size: 720x576 Duration: 00:00:12 Timestamp: 00:00:00");
}

// Each file that does not open says why in the error display, the disc's own message for a DVD folder
// that cannot be read; the video that was open stays.
TEST_F(MainWindow, AFileThatDoesNotOpenSaysWhy)
{
    Open("pal5.vob");
    std::vector<std::string> paths;
    std::vector<std::string> expected;
    for (const UnopenableFile& file : MakeUnopenableFiles(dir_)) {
        paths.push_back(file.path);
        expected.push_back("Unable to open video file: " + file.path + " (" + file.reason + ")");
    }
    paths.push_back(MakeUnreadableDisc(dir_).string());
    expected.push_back("not a DVD (its VIDEO_TS.IFO cannot be read)");
    for (const std::string& path : paths) {
        rec_.VideoFile = path;
        const WithoutReadingAnyFile asUser;
        form_->btnOpen->click();
    }
    EXPECT_EQ(rec_.Errors, expected);
    EXPECT_EQ(Manager().Job().VideoName, "pal5");
}

TEST_F(MainWindow, GenerateRefusesWithoutAVideoAndWithoutARange)
{
    Manager().GenerateClick();
    // The extension is compared without regard to case.
    Open("title/VIDEO_TS/VTS_01_1.VOB");
    ASSERT_TRUE(Player().Opened());
    EXPECT_EQ(Manager().Job().VideoName, "VTS_01_1");
    form_->rbStartEnd->setChecked(true);
    Manager().GenerateClick();
    ASSERT_EQ(rec_.Messages.size(), 2u);
    EXPECT_EQ(rec_.Messages[0], std::make_pair(std::string("No video is opened!"), true));
    EXPECT_EQ(rec_.Messages[1],
              std::make_pair(std::string("You have to select start position and end position for the option."), false));
    EXPECT_FALSE(Player().Converting());
    EXPECT_FALSE(form_->etPieces->isEnabled());
}

TEST_F(MainWindow, APiecesJobWritesTheRightFramesAndReportsItsProgress)
{
    Open("pal.vob");
    rec_.Folder = dir_.string();
    Manager().SaveFolderClick();
    EXPECT_EQ(form_->etSaveFolder->text().toStdString(), dir_.string() + "/");
    form_->rbPieces->setChecked(true);
    EXPECT_TRUE(form_->etPieces->isEnabled());

    std::vector<QString> progress;
    TManagerEvent shown = Player().OnProgress;
    Player().OnProgress = [&](void* Sender, bool FromConversion, const TConvertProgress* Info) {
        shown(Sender, FromConversion, Info);
        progress.push_back(form_->lbConvertInfo->text());
    };
    Manager().GenerateClick();
    EXPECT_TRUE(Player().Converting());
    EXPECT_FALSE(form_->SliderBar->isEnabled());
    EXPECT_FALSE(form_->close());
    EXPECT_TRUE(form_->isVisible());
    ASSERT_TRUE(WaitForJob());

    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), "Processing: 1/12");
    ASSERT_EQ(rec_.Completed.size(), 1u);
    EXPECT_EQ(rec_.Completed[0], (dir_ / "pal").string());
    EXPECT_EQ(rec_.ProgressAtComplete[0], "Done: 12/12");
    EXPECT_TRUE(rec_.CloseRefusedAtComplete[0]);
    EXPECT_EQ(form_->lbConvertInfo->text(), "Done: 12/12");
    EXPECT_TRUE(form_->SliderBar->isEnabled());
    EXPECT_TRUE(rec_.Errors.empty());
    ExpectPicturesOfFrames(dir_ / "pal", "pal", 12, 25, QSize(720, 540));
    EXPECT_TRUE(form_->close());
}

// The picture commands beyond GENERATE refuse as it does, offer chapters only for a disc title, and
// end in the completion dialog with the folder of what they wrote.
TEST_F(MainWindow, ThePictureCommandsRefuseAsGenerateDoesAndEndInTheCompletionDialog)
{
    Manager().SheetClick();
    ASSERT_EQ(rec_.Messages.size(), 1u);
    EXPECT_EQ(rec_.Messages[0], std::make_pair(std::string("No video is opened!"), true));
    EXPECT_FALSE(form_->tmiSheet->isEnabled());
    Open("pal.vob");
    EXPECT_TRUE(form_->tmiSheet->isEnabled());
    EXPECT_FALSE(form_->tmiChapters->isEnabled());
    EXPECT_FALSE(form_->tmiChapterSheet->isEnabled());

    // The disc's main title has chapters at frames 0 and 250.
    Open("disc");
    ASSERT_TRUE(form_->tmiChapters->isEnabled());
    rec_.Folder = dir_.string();
    Manager().SaveFolderClick();
    form_->tmiChapters->trigger();
    ASSERT_TRUE(Player().Converting());
    form_->tmiSheet->trigger();
    form_->btnGenerate->click();
    EXPECT_EQ(Manager().Job().Chapters.size(), 2u) << "a second job started while converting";
    ASSERT_TRUE(WaitForJob());
    ASSERT_EQ(rec_.Completed.size(), 1u);
    EXPECT_EQ(rec_.Completed[0], (dir_ / "disc_T02").string());
    EXPECT_EQ(rec_.ProgressAtComplete[0], "Done: 2/2");
    for (const auto& [name, frame] : {std::pair{"disc_T02_ch01.jpg", 0}, std::pair{"disc_T02_ch02.jpg", 250}}) {
        QImage picture =
            QImage(QString::fromStdString((dir_ / "disc_T02" / name).string())).convertToFormat(QImage::Format_RGB888);
        EXPECT_EQ(ReadFrameIndex(picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine(), 3),
                  frame)
            << name;
    }

    form_->etPieces->setText(QStringLiteral("6"));
    form_->tmiSheet->trigger();
    ASSERT_TRUE(WaitForJob());
    ASSERT_EQ(rec_.Completed.size(), 2u);
    EXPECT_EQ(rec_.Completed[1], dir_.string() + "/");
    EXPECT_EQ(rec_.ProgressAtComplete[1], "Done: 6/6");
    EXPECT_EQ(QImage(QString::fromStdString((dir_ / "disc_T02_sheet.jpg").string())).width(), 1600);
    // Its cells span the title's 500 frames, as its map beside it says.
    QFile map(QString::fromStdString((dir_ / "disc_T02_sheet.json").string()));
    ASSERT_TRUE(map.open(QIODevice::ReadOnly));
    std::vector<int> frames;
    for (const QJsonValue cell : QJsonDocument::fromJson(map.readAll())["cells"].toArray())
        frames.push_back(cell["frame"].toInt(-1));
    EXPECT_EQ(frames, (std::vector<int>{42, 125, 208, 292, 375, 458}));
    EXPECT_TRUE(rec_.Errors.empty());
}

// The Subtitles submenu lists a disc title's streams; the stream chosen shows in the paused preview at
// once, stays through seeks, a job and its end, and is drawn into the pieces on its frames only; the
// next open starts with Off again.
TEST_F(MainWindow, AChosenSubtitleStreamShowsInThePreviewAndInThePiecesOnItsFramesOnly)
{
    const auto preview = [this] {
        const SDL_Surface* screen = Manager().Panel().Screen();
        const auto* pixels = static_cast<const char*>(screen->pixels);
        return std::string(pixels, pixels + screen->pitch * screen->h);
    };
    // Five pieces one second apart: frames 0, 25, 50, 75 and 100, as written.
    const auto pieces = [this] {
        Manager().GenerateClick();
        EXPECT_FALSE(form_->tmiSubtitles->isEnabled());
        std::vector<std::string> written;
        if (!WaitForJob())
            return written;
        EXPECT_TRUE(form_->tmiSubtitles->isEnabled());
        ExpectPicturesOfFrames(dir_ / "subs_T01", "subs_T01", 5, 25, QSize(720, 540));
        for (int i = 0; i < 5; ++i) {
            std::ifstream file(dir_ / "subs_T01" / ("subs_T01_" + std::to_string(i) + ".jpg"), std::ios::binary);
            written.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        return written;
    };
    const auto checked = [this] {
        QStringList entries;
        for (const QAction* item : form_->tmiSubtitles->actions())
            if (item->isChecked())
                entries << item->text();
        return entries;
    };

    // The streams are listed as the submenu first shows.
    const auto entries = [this] {
        form_->tmiSubtitles->popup(QPoint());
        form_->tmiSubtitles->hide();
        QStringList texts;
        for (const QAction* item : form_->tmiSubtitles->actions())
            if (!item->isSeparator())
                texts << item->text();
        return texts;
    };

    EXPECT_FALSE(form_->tmiSubtitles->isEnabled());
    Open("pal.vob");
    EXPECT_TRUE(form_->tmiSubtitles->isEnabled());
    EXPECT_EQ(entries(), QStringList{"&Off"});
    EXPECT_EQ(checked(), QStringList{"&Off"});
    Open("subs");
    ASSERT_TRUE(Player().Opened());
    EXPECT_EQ(entries(), (QStringList{"&Off", "1 en normal", "2 de forced", "&Forced only"}));
    EXPECT_EQ(checked(), QStringList{"&Off"});
    QAction* const english = form_->tmiSubtitles->actions().value(1);
    ASSERT_NE(english, nullptr);

    rec_.Folder = dir_.string();
    Manager().SaveFolderClick();
    form_->rbPieces->setChecked(true);
    form_->etPieces->setText(QStringLiteral("5"));
    const std::vector<std::string> plain = pieces();
    ASSERT_EQ(plain.size(), 5u);
    Player().Seek(2);
    const std::string plainAt2 = preview();
    Player().Seek(1);
    const std::string plainAt1 = preview();

    // Stream 1 shows frames 10-39 and 70-99.
    english->trigger();
    EXPECT_EQ(checked(), QStringList{"1 en normal"});
    EXPECT_EQ(Player().Position(), 1);
    const std::string subtitledAt1 = preview();
    EXPECT_TRUE(subtitledAt1 != plainAt1) << "no subtitle on the paused picture";
    Player().Seek(2);
    EXPECT_TRUE(preview() == plainAt2) << "a subtitle outside its frames";

    const std::vector<std::string> subtitled = pieces();
    ASSERT_EQ(subtitled.size(), 5u);
    for (const int i : {0, 2, 4})
        EXPECT_TRUE(subtitled[i] == plain[i]) << "piece " << i;
    for (const int i : {1, 3})
        EXPECT_TRUE(subtitled[i] != plain[i]) << "piece " << i;
    EXPECT_EQ(checked(), QStringList{"1 en normal"});
    Manager().StopClick();
    Player().Seek(1);
    EXPECT_TRUE(preview() == subtitledAt1) << "the choice was dropped";

    Open("subs");
    EXPECT_EQ(entries(), (QStringList{"&Off", "1 en normal", "2 de forced", "&Forced only"}));
    EXPECT_EQ(checked(), QStringList{"&Off"});
    Player().Seek(1);
    EXPECT_TRUE(preview() == plainAt1) << "subtitles after a new open";
}

TEST_F(MainWindow, ADiscOpensItsOnlyLongTitleAtOnceAndAsksWhereThereIsAChoice)
{
    Open("disc");
    ASSERT_TRUE(Player().Opened());
    EXPECT_TRUE(rec_.TitleChoices.empty());
    EXPECT_EQ(Manager().Job().VideoName, "disc_T02");
    EXPECT_EQ(form_->lbInfo->text().toStdString(), "FPS: 25.00 Size: 720x576 Duration: 00:00:20 Timestamp: 00:00:00");

    // The main title of angles/ was filmed from two angles: the chooser asks, and cancelling it
    // keeps the video that was open.
    rec_.TitleAnswer = {0, 1};
    Open("angles");
    ASSERT_EQ(rec_.TitleChoices.size(), 1u);
    EXPECT_EQ(rec_.TitleChoices[0], std::make_pair(std::vector<int>{2}, 2));
    EXPECT_EQ(Manager().Job().VideoName, "disc_T02");

    // An encrypted disc is refused with its reason, the open video stays.
    Open("scrambled");
    ASSERT_EQ(rec_.Errors.size(), 1u);
    EXPECT_EQ(rec_.Errors[0], dvd::kEncryptedMessage);
    rec_.Errors.clear();
    EXPECT_EQ(Manager().Job().VideoName, "disc_T02");

    rec_.TitleAnswer = {2, 2};
    Open("angles");
    ASSERT_TRUE(Player().Opened());
    EXPECT_EQ(Manager().Job().VideoName, "angles_T02");
    EXPECT_EQ(Player().TotalSeconds(), 15);

    // Five pieces three seconds apart: the last one lies in the second angle's own cell.
    rec_.Folder = dir_.string();
    Manager().SaveFolderClick();
    form_->rbPieces->setChecked(true);
    form_->etPieces->setText(QStringLiteral("5"));
    Manager().GenerateClick();
    ASSERT_TRUE(WaitForJob());
    ASSERT_TRUE(rec_.Errors.empty()) << rec_.Errors[0];
    const std::vector<int> expected{0, 75, 150, 225, 425};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QImage picture(QString::fromStdString((dir_ / "angles_T02" / ("angles_T02_" + std::to_string(i) + ".jpg")).string()));
        ASSERT_FALSE(picture.isNull()) << "piece " << i;
        picture = picture.convertToFormat(QImage::Format_RGB888);
        EXPECT_EQ(ReadFrameIndex(picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine(), 3),
                  expected[i])
            << "piece " << i;
    }
}

TEST_F(MainWindow, AFailingJobShowsTheEnginesMessageAndLeavesTheWindowUsable)
{
    Open("pal5.vob");
    rec_.Folder = "/proc";
    Manager().SaveFolderClick();
    Manager().GenerateClick();
    ASSERT_TRUE(WaitForJob());
    ASSERT_EQ(rec_.Errors.size(), 1u);
    EXPECT_FALSE(rec_.Errors[0].empty());
    EXPECT_EQ(rec_.Errors[0], Player().ConvertError());
    EXPECT_NE(rec_.Errors[0].find("/proc/pal5"), std::string::npos) << rec_.Errors[0];
    EXPECT_TRUE(rec_.Completed.empty());
    EXPECT_TRUE(form_->SliderBar->isEnabled());

    // The window leaves the count of pieces to the engine, which refuses none in the command line's words.
    rec_.Folder = dir_.string();
    Manager().SaveFolderClick();
    form_->rbPieces->setChecked(true);
    form_->etPieces->setText(QStringLiteral("0"));
    Manager().GenerateClick();
    ASSERT_TRUE(WaitForJob());
    ASSERT_EQ(rec_.Errors.size(), 2u);
    EXPECT_EQ(rec_.Errors[1], "The number of pieces must be at least 1.");
    EXPECT_TRUE(form_->SliderBar->isEnabled());
    Manager().StopClick();
    EXPECT_EQ(Player().Position(), 0);
    EXPECT_TRUE(form_->close());
}

TEST_F(MainWindow, DraggingThePointerToTheEndStopsPlayback)
{
    Open("pal5.vob");
    Manager().PlayClick();
    // Cancelling the file dialog resumes the playback that opening paused.
    rec_.VideoFile.clear();
    form_->btnOpen->click();
    EXPECT_TRUE(Player().Playing());
    ASSERT_TRUE(QTest::qWaitFor([this] { return Player().Position() >= 1; }, 10000));
    TSliderBar& slider = *form_->SliderBar;
    const QPoint grab = slider.PointerRect().center();
    Mouse(QEvent::MouseButtonPress, grab, Qt::LeftButton);
    EXPECT_FALSE(Player().Playing());
    EXPECT_TRUE(Manager().ResumeAfterDrag());
    const QPoint end(slider.width() + 50, grab.y());
    for (int x = grab.x(); x <= end.x(); x += 20)
        Mouse(QEvent::MouseMove, QPoint(x, grab.y()), Qt::LeftButton);
    ASSERT_EQ(slider.Position(), slider.Max());
    Mouse(QEvent::MouseButtonRelease, end, Qt::NoButton);
    EXPECT_FALSE(Player().Playing());
    EXPECT_FALSE(Manager().ResumeAfterDrag());
    EXPECT_EQ(slider.Position(), 0);
    EXPECT_EQ(Player().Position(), 0);
    EXPECT_TRUE(form_->lbInfo->text().endsWith("Timestamp: 00:00:00")) << form_->lbInfo->text().toStdString();
}

TEST_F(MainWindow, TheMenuCommandsReachTheShellTheDialogsAndTheClose)
{
    std::vector<std::string> opened;
    SetShellOpenHandler([&](const std::string& Target) { opened.push_back(Target); });
    form_->tmiHelp->trigger();
    form_->tmiSupport->trigger();
    SetShellOpenHandler(nullptr);
    EXPECT_EQ(opened,
              (std::vector<std::string>{"https://stillreel.example/help", "https://stillreel.example/support"}));

    form_->tmiAbout->trigger();
    EXPECT_EQ(rec_.Abouts, 1);
    EXPECT_FALSE(form_->tmiConfig->isEnabled());
    Open("ntsc.vob");
    EXPECT_EQ(Manager().Settings().Height, 405);
    form_->tmiConfig->trigger();
    ASSERT_EQ(rec_.Configs.size(), 1u);
    EXPECT_EQ(rec_.Configs[0].Width, 720);
    EXPECT_TRUE(rec_.Configs[0].Opened);
    EXPECT_NEAR(rec_.Configs[0].AspectRatio, 16.0 / 9.0, 1e-9);

    form_->tmiExit->trigger();
    EXPECT_FALSE(form_->isVisible());
}

// A file from the command line or another copy: opened once no modal dialog is up, and answered with
// what became of it.
TEST_F(MainWindow, AGivenFileWaitsForAModalDialogAndIsAnsweredWithWhatBecameOfIt)
{
    auto& app = *static_cast<TStillreelApplication*>(qApp);
    std::vector<std::string> shown;
    app.OnError = [&](const std::string& Message) { shown.push_back(Message); };
    Open("pal.vob");
    TGivenFiles given(app);
    given.SetWindow(form_.get());
    std::vector<std::string> answers;
    const auto answer = [&](const std::string& Refusal) { answers.push_back(Refusal); };

    QDialog modal(form_.get());
    QTimer::singleShot(0, [&] {
        given.Add(FixturePath("pal5.vob"), answer);
        QTest::qWait(300);
        EXPECT_TRUE(answers.empty());
        EXPECT_EQ(Player().FileName(), FixturePath("pal.vob"));
        modal.reject();
    });
    modal.exec();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !answers.empty(); }, 5000));
    EXPECT_EQ(answers[0], "");
    EXPECT_EQ(Player().FileName(), FixturePath("pal5.vob"));

    // A camcorder's or recorder's ending opens as a .vob does.
    const fs::path recording = dir_ / "clip.MPG";
    fs::copy_file(FixturePath("pal5.vob"), recording);
    given.Add(recording.string(), answer);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1], "");
    EXPECT_EQ(Manager().Job().VideoName, "clip");
    answers.pop_back();

    given.Add(FixturePath("manifest.txt"), answer);
    given.Add(FixturePath("random.vob"), answer);
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[1],
              FixturePath("manifest.txt") +
                  " is not a DVD video file (.vob, .vro, .mpg, .mpeg, .mod), a DVD folder or a disc image");
    // A failed open is also shown in the window, after the answer.
    EXPECT_EQ(answers[2].rfind("Unable to open video file: " + FixturePath("random.vob"), 0), 0u) << answers[2];
    EXPECT_EQ(shown, std::vector<std::string>{WithFullStop(answers[2])});

    rec_.Folder = dir_.string();
    Manager().SaveFolderClick();
    form_->rbPieces->setChecked(true);
    Manager().GenerateClick();
    given.Add(FixturePath("pal.vob"), answer);
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_EQ(answers[3],
              "Stillreel is generating pictures and opens no video until it has finished: " + FixturePath("pal.vob"));
    ASSERT_TRUE(WaitForJob());
    app.OnError = nullptr;
}

TEST_F(MainWindow, AMoveBeyondTheScreensLeftEdgeSnapsBack)
{
    form_->move(-50, 30);
    QCoreApplication::processEvents();
    EXPECT_EQ(form_->frameGeometry().topLeft(), QPoint(0, 30));
}

TEST_F(MainWindow, AnExceptionFromAnEventHandlerReachesTheErrorDisplay)
{
    std::vector<std::string> shown;
    auto* app = static_cast<TStillreelApplication*>(qApp);
    app->OnError = [&](const std::string& Message) { shown.push_back(Message); };
    form_->rbPieces->setChecked(true);
    // Only a paste gets letters into the field; stepping it then fails to read a number.
    form_->etPieces->setText("12ab");
    form_->etPieces->setFocus();
    QTest::keyClick(form_->etPieces, Qt::Key_Up);
    app->OnError = nullptr;
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].back(), '.');
    EXPECT_TRUE(form_->isVisible());

    EXPECT_EQ(WithFullStop("Unable to open video file: /a/b.vob"), "Unable to open video file: /a/b.vob.");
    EXPECT_EQ(WithFullStop("Done."), "Done.");
    EXPECT_EQ(WithFullStop("Stop!"), "Stop!");
    EXPECT_EQ(WithFullStop("Unable to open video file: /a (the file is empty)"),
              "Unable to open video file: /a (the file is empty)");
    EXPECT_EQ(WithFullStop(""), "");
}

}  // namespace
