// The main window end to end in a real X server (an Xvfb started here) with SDL's x11 driver: open a
// fixture, play, seek by dragging the slider, generate pieces, and read back both the pictures on
// disk and the preview as the X server shows it. Skipped, saying why, when Xvfb cannot be started.
#include "app/mainForm.h"
#include "app/stillreelapp.h"
#include "app/uiManager.h"
#include "playback/SDLPanel.h"
#include "playback/playManager.h"
#include "support/fixtures.h"
#include "jobpictures.h"
#include "support/frameindex.h"
#include "support/xvfb.h"

#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class TRecordingChoosers : public TUIChoosers {
public:
    std::string ChooseFolder(QWidget*, const std::string&) override { return Folder; }
    void ShowMessage(QWidget*, const std::string& Text, bool) override { Messages.push_back(Text); }
    void ShowError(QWidget*, const std::string& Text) override { Messages.push_back(Text); }
    void ShowComplete(QWidget*, const std::string& Folder_, const std::string&) override { Completed.push_back(Folder_); }

    std::string Folder;
    std::vector<std::string> Messages;
    std::vector<std::string> Completed;
};

// The frame index that the X server shows in the preview, read from the root window where the panel
// lies; -1 when no readable picture is there. A 4:3 picture in the 395 x 193 panel is 257 pixels wide
// at x = 69, with black bars beside it.
int ShownFrameIndex(const TSDLPanel& Panel, bool* BarsBlack = nullptr)
{
    const QPoint at = Panel.mapToGlobal(QPoint(0, 0));
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(0, at.x(), at.y(), Panel.width(), Panel.height())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    if (shot.size() != QSize(395, 193))
        return -1;
    if (BarsBlack != nullptr) {
        *BarsBlack = true;
        for (int y = 0; y < shot.height(); ++y)
            for (int x : {0, 30, 68, 326, 360, 394})
                *BarsBlack = *BarsBlack && (shot.pixel(x, y) & 0xFFFFFF) == 0;
    }
    return ReadFrameIndex(shot.constBits() + 69 * 4, 257, 193, shot.bytesPerLine(), 4);
}

void SliderMouse(TSliderBar& Slider, QEvent::Type Type, QPoint At, Qt::MouseButtons Held)
{
    QMouseEvent event(Type, At, Slider.mapToGlobal(At), Qt::LeftButton, Held, Qt::NoModifier);
    QApplication::sendEvent(&Slider, &event);
}

class EndToEndX11 : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static TXvfb server;
        static const std::string failure = server.Start("1280x1024x24");
        Failure = &failure;
        if (failure.empty() && qApp == nullptr) {
            qputenv("QT_QPA_PLATFORM", "xcb");
            static int argc = 1;
            static char name[] = "endtoend_x11_tests";
            static char* argv[] = {name, nullptr};
            // Never freed: Qt cannot be torn down after main() has returned.
            new TStillreelApplication(argc, argv);
        }
    }

    void SetUp() override
    {
        if (!Failure->empty())
            GTEST_SKIP() << "No X server for this test: " << *Failure;
        dir_ = fs::temp_directory_path() / ("stillreel_e2e_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    void TearDown() override { fs::remove_all(dir_); }

    static const std::string* Failure;
    fs::path dir_;
};

const std::string* EndToEndX11::Failure = nullptr;

TEST_F(EndToEndX11, PlaySeekByTheSliderAndGeneratePieces)
{
    auto owned = std::make_unique<TRecordingChoosers>();
    TRecordingChoosers& choosers = *owned;
    TmainDlg form(std::move(owned));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    TUIManager& manager = form.Manager();
    TPlayManager& player = manager.PlayManager();

    ASSERT_EQ(manager.OpenVideo(FixturePath("pal.vob")), TUIManager::TOpenResult::Opened);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ShownFrameIndex(manager.Panel()) == 0; }, 5000));

    // About a second of playback, drawn on the X screen as it goes.
    manager.PlayClick();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return player.Position() >= 1 && ShownFrameIndex(manager.Panel()) >= 25; }, 10000))
        << "position " << player.Position() << ", the preview shows frame " << ShownFrameIndex(manager.Panel());
    EXPECT_TRUE(player.Playing());
    manager.PauseClick();

    // The pointer is dragged with the mouse to 6 s and let go there.
    TSliderBar& slider = *form.SliderBar;
    const QPoint grab = slider.PointerRect().center();
    SliderMouse(slider, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    QPoint at = grab;
    while (slider.Position() != 6 && at.x() < slider.width()) {
        at.rx() += slider.Position() < 6 ? 1 : -1;
        SliderMouse(slider, QEvent::MouseMove, at, Qt::LeftButton);
    }
    ASSERT_EQ(slider.Position(), 6);
    SliderMouse(slider, QEvent::MouseButtonRelease, at, Qt::NoButton);
    EXPECT_EQ(player.Position(), 6);
    EXPECT_FALSE(player.Playing());
    EXPECT_TRUE(form.lbInfo->text().endsWith("Timestamp: 00:00:06")) << form.lbInfo->text().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ShownFrameIndex(manager.Panel()) == 150; }, 5000))
        << "the preview shows frame " << ShownFrameIndex(manager.Panel());
    bool barsBlack = false;
    ShownFrameIndex(manager.Panel(), &barsBlack);
    EXPECT_TRUE(barsBlack);

    choosers.Folder = dir_.string();
    form.btnSaveFolder->click();
    form.rbPieces->setChecked(true);
    form.btnGenerate->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !player.Converting(); }, 20000));
    EXPECT_TRUE(choosers.Messages.empty()) << choosers.Messages.front();
    ASSERT_EQ(choosers.Completed, std::vector<std::string>{(dir_ / "pal").string()});
    EXPECT_EQ(form.lbConvertInfo->text(), "Done: 12/12");
    ExpectPicturesOfFrames(dir_ / "pal", "pal", 12, 25, QSize(720, 540));
    // The job went through the shared decoder without drawing: the preview keeps the sought frame.
    EXPECT_EQ(ShownFrameIndex(manager.Panel()), 150);
    EXPECT_TRUE(form.close());
}

}  // namespace
