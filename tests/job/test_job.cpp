// The job both fronts share: where pictures go without a chosen folder, and the count they show.
#include "common/exceptions.h"
#include "job/choices.h"
#include "job/statuslines.h"

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
