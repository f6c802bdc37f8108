// The job both fronts share: where pictures go without a chosen folder, and the count they show.
#include "common/exceptions.h"
#include "job/choices.h"
#include "job/prepare.h"
#include "job/statuslines.h"
#include "job/video.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class JobFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("stillreel_job_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "config");
        saved_ = fs::current_path();
    }

    void TearDown() override
    {
        fs::current_path(saved_);
        fs::remove_all(dir_);
    }

    fs::path dir_;
    fs::path saved_;
};

TEST_F(JobFolders, ARootIsTheChosenFolderMadeWhenMissingOrTheFrontsDefault)
{
    const fs::path chosen = dir_ / "a" / "b";
    EXPECT_EQ(job::SaveRoot(chosen.string(), job::Front::CommandLine), chosen.string() + "/");
    EXPECT_TRUE(fs::is_directory(chosen));
    std::ofstream(dir_ / "file") << "not a folder";
    try {
        job::SaveRoot((dir_ / "file" / "x").string(), job::Front::Window);
        ADD_FAILURE() << "a folder inside a file was made";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to create folder: " + (dir_ / "file" / "x").string() + " (Not a directory)");
    }

    fs::current_path(dir_);
    EXPECT_EQ(job::SaveRoot("", job::Front::CommandLine), dir_.string() + "/");
    // The program's folder is writable here, so the window keeps its pictures beside the program.
    if (::access(AppFolder.c_str(), W_OK) == 0) {
        EXPECT_EQ(job::SaveRoot("", job::Front::Window), AppFolder);
    }
}

TEST_F(JobFolders, ThePicturesFolderIsTheOneTheDesktopNames)
{
    const std::string home = (dir_ / "home").string();
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    EXPECT_EQ(job::PicturesFolder(), home + "/Pictures");

    const auto names = [&](const std::string& line) {
        std::ofstream(dir_ / "config" / "user-dirs.dirs") << "# written by xdg-user-dirs-update\n" << line << "\n";
        return job::PicturesFolder();
    };
    EXPECT_EQ(names("XDG_PICTURES_DIR=\"$HOME/Bilder\""), home + "/Bilder");
    EXPECT_EQ(names("XDG_PICTURES_DIR=\"/srv/photos\""), "/srv/photos");
    // The home folder itself means the desktop has no pictures folder.
    EXPECT_EQ(names("XDG_PICTURES_DIR=\"$HOME/\""), home + "/Pictures");
}

TEST(JobProgress, CountsFromTheLastPicturesIndexAndNoneWhenNothingWasWritten)
{
    job::Progress progress;
    // The engine's index stays 0 until a picture is written: that is not one picture.
    EXPECT_EQ(progress.Done({12, 0}), "Done: 0/12");
    EXPECT_EQ(progress.Saved({12, 0}), "Processing: 1/12");
    EXPECT_EQ(progress.Saved({12, 11}), "Processing: 12/12");
    EXPECT_EQ(progress.Done({12, 11}), "Done: 12/12");
    EXPECT_EQ(progress.Written(), 12);
}

}  // namespace

// What a sheet's heading says of a disc title and of a file: the name, length, frame size, display
// aspect, rate and bytes.
TEST(SheetHeading, NamesTheVideoAndGivesItsFacts)
{
    const job::Video title = *job::FindVideo(FixturePath("disc.iso"), {3, 0});
    EXPECT_EQ(job::SheetHeading(title, {{720, 480, 16.0 / 9.0}, 30000.0 / 1001, 3, {0, 0, 3}}, job::VideoBytes(title)),
              (std::vector<std::string>{"STILLREEL_DISC, title 3",
                                        "length 0:00:03  ·  720 x 480  ·  16:9  ·  29.97 fps  ·  2.4 MiB"}));
    const job::Video file = *job::FindVideo(FixturePath("pal.vob"));
    EXPECT_EQ(job::SheetHeading(file, {{720, 576, 4.0 / 3.0}, 25, 12, {0, 0, 12}}, job::VideoBytes(file)),
              (std::vector<std::string>{"pal.vob", "length 0:00:12  ·  720 x 576  ·  4:3  ·  25.00 fps  ·  9.4 MiB"}));
}

// A chapter between whole seconds of NTSC video is reached from the first frame of its second.
TEST(ChapterPoints, LandOnTheChaptersFrameAtAFractionalRate)
{
    const double fps = 30000.0 / 1001;
    const std::vector<TStillPoint> points = job::ChapterPoints({0, 301 / fps, 300 / fps, 5.2}, fps);
    ASSERT_EQ(points.size(), 4u);
    const std::vector<std::pair<int, int>> expected{{0, 0}, {10, 1}, {10, 0}, {5, 6}};
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(std::make_pair(points[i].Second, points[i].Skip), expected[i]) << i;
}
