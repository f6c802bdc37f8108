// tools/screenshot run as a user runs it, in an Xvfb started here, on the subtitled title's VOB with its
// first stream: it must end by itself with status 0, every stage photographed as a real picture.
#include "support/fixtures.h"
#include "support/xvfb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace {

// Ended by the test past this; the run takes some 10 s on a quiet machine.
constexpr int kRunLimitMs = 60000;

const char* const kStages[] = {
    "01-no-video",
    "02-action-menu",
    "03-help-menu",
    "04-generate-without-video",
    "05-file-open-dialog",
    "06-video-opened",
    "06-subtitles-menu",
    "06-subtitles-shown",
    "07-video-paused-with-range",
    "08-settings-dialog",
    "09-folder-chooser",
    "10-job-running",
    "11-completion-dialog",
    "12-job-done",
    "13-about-dialog",
    "14-hint-over-generate",
    "15-title-chooser",
    "16-disc-title-opened",
};

// Distinct colours in the picture, counted up to Enough.
int Colours(const QImage& image, int enough)
{
    QSet<QRgb> seen;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height() && seen.size() < enough; ++y)
        for (int x = 0; x < rgb.width() && seen.size() < enough; ++x)
            seen.insert(rgb.pixel(x, y));
    return static_cast<int>(seen.size());
}

TEST(Screenshot, PhotographsEveryStageAndEnds)
{
    TXvfb server;
    const std::string failure = server.Start("1280x1024x24");
    ASSERT_TRUE(failure.empty()) << failure;
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString shots = folder.filePath(QStringLiteral("shots"));

    QProcess tool;
    tool.setProgram(QStringLiteral(SCREENSHOT_PROGRAM));
    tool.setArguments({shots, QString::fromStdString(FixturePath("subs/VIDEO_TS/VTS_01_1.VOB")), QStringLiteral("1")});
    QElapsedTimer took;
    took.start();
    tool.start();
    ASSERT_TRUE(tool.waitForStarted()) << qPrintable(tool.errorString());
    const bool ended = tool.waitForFinished(kRunLimitMs);
    if (!ended) {
        tool.kill();
        tool.waitForFinished();
    }
    const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
    const QString out = QString::fromLocal8Bit(tool.readAllStandardOutput());
    ASSERT_TRUE(ended) << "still running after " << kRunLimitMs / 1000 << " s; stderr:\n" << qPrintable(err);
    std::printf("screenshot took %.1f s\n", static_cast<double>(took.elapsed()) / 1000);
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0) << qPrintable(err);

    QStringList expected;
    for (const char* stage : kStages)
        expected << QString::fromLatin1(stage) + QStringLiteral(".png");
    expected.sort();
    EXPECT_EQ(QDir(shots).entryList(QDir::Files, QDir::Name), expected);

    for (const char* stage : kStages) {
        SCOPED_TRACE(stage);
        const QString path = QDir(shots).filePath(QString::fromLatin1(stage) + QStringLiteral(".png"));
        EXPECT_TRUE(out.contains(path)) << "not listed on the output";
        QImage shot;
        ASSERT_TRUE(shot.load(path, "PNG")) << "not a PNG";
        // The smallest is the message box of GENERATE without a video; none is larger than the screen.
        EXPECT_GE(shot.width(), 150);
        EXPECT_GE(shot.height(), 60);
        EXPECT_LE(shot.width(), 1280);
        EXPECT_LE(shot.height(), 1024);
        // Text and controls, never one flat colour; a blank or black grab has one or two.
        EXPECT_GE(Colours(shot, 16), 16);
    }
    // The completion dialog itself, at its own size, not the window behind it.
    QImage dialog;
    ASSERT_TRUE(dialog.load(QDir(shots).filePath(QStringLiteral("11-completion-dialog.png")), "PNG"));
    EXPECT_EQ(dialog.size(), QSize(692, 166));
}

}  // namespace
