// tools/screenshot run as a user runs it, in an Xvfb started here: on the subtitled title's VOB with its
// first stream it must end by itself with status 0, every stage photographed as a real picture; on a
// file that does not open it must end at once with status 1, naming the stage.
#include "support/fixtures.h"
#include "support/xvfb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
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
    "06-pictures-menu",
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

struct TRun {
    bool Ended = false;
    int ExitCode = -1;
    QString Out;
    QString Err;
    double Seconds = 0;
};

// Runs the tool on Video into Shots in an Xvfb of its own; a run still going after kRunLimitMs is
// killed and reported as not ended.
TRun RunTool(const QString& shots, const std::string& video, const QStringList& more = {})
{
    TRun run;
    TXvfb server;
    const std::string failure = server.Start("1280x1024x24");
    if (!failure.empty()) {
        ADD_FAILURE() << failure;
        return run;
    }
    QProcess tool;
    tool.setProgram(QStringLiteral(SCREENSHOT_PROGRAM));
    tool.setArguments(QStringList{shots, QString::fromStdString(video)} + more);
    QElapsedTimer took;
    took.start();
    tool.start();
    if (!tool.waitForStarted()) {
        ADD_FAILURE() << qPrintable(tool.errorString());
        return run;
    }
    run.Ended = tool.waitForFinished(kRunLimitMs);
    if (!run.Ended) {
        tool.kill();
        tool.waitForFinished();
    }
    run.Seconds = static_cast<double>(took.elapsed()) / 1000;
    run.ExitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.Out = QString::fromLocal8Bit(tool.readAllStandardOutput());
    run.Err = QString::fromLocal8Bit(tool.readAllStandardError());
    std::printf("screenshot on %s: %.1f s, status %d\n", video.c_str(), run.Seconds, run.ExitCode);
    return run;
}

TEST(Screenshot, PhotographsEveryStageAndEnds)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString shots = folder.filePath(QStringLiteral("shots"));
    const TRun run = RunTool(shots, FixturePath("subs/VIDEO_TS/VTS_01_1.VOB"), {QStringLiteral("1")});
    ASSERT_TRUE(run.Ended) << "still running after " << kRunLimitMs / 1000 << " s; stderr:\n" << qPrintable(run.Err);
    EXPECT_EQ(run.ExitCode, 0) << qPrintable(run.Err);
    const QString& out = run.Out;

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

// The refusal comes up as a message box of its own, outside any dialog the tool waits for.
TEST(Screenshot, VideoThatDoesNotOpenEndsTheRunNamingTheStage)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const TRun run = RunTool(folder.filePath(QStringLiteral("shots")), FixturePath("random.vob"));
    ASSERT_TRUE(run.Ended) << "still running after " << kRunLimitMs / 1000 << " s; stderr:\n" << qPrintable(run.Err);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("05-file-open-dialog: a dialog came up unasked")))
        << qPrintable(run.Err);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("06-video-opened:"))) << qPrintable(run.Err);
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("shots/06-video-opened.png"))));
}

}  // namespace
