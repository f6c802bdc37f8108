// stillreel-thumbs --catalogue on a shelf made of the fixtures: what it takes, what it says, what a
// second run skips; and its page in a real browser, every sheet image loaded through its link.
#include "support/fixtures.h"
#include "support/shell.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The file's URL: a path whose folders hold spaces or '#' is percent-encoded for the browser.
std::string FileUrl(const fs::path& file)
{
    std::string url = "file://";
    for (const char c : file.string()) {
        if (std::isalnum(static_cast<unsigned char>(c)) ||
            std::string_view("/-._~").find(c) != std::string_view::npos) {
            url += c;
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
            url += code;
        }
    }
    return url;
}

struct Result {
    int status = -1;
    std::string out;
};

class Catalogue : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(testing::TempDir()) /
            ("catalogue-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs a command in the test's folder; its standard output and error together.
    Result Shell(const std::string& command) const
    {
        const std::string full =
            "cd " + Quote(dir_.string()) + " && " + command + " >" + Quote((dir_ / "out.txt").string()) + " 2>&1";
        const int raw = std::system(full.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(dir_ / "out.txt")};
    }

    Result Thumbs(const std::vector<std::string>& args) const
    {
        std::string command = Quote(STILLREEL_THUMBS);
        for (const std::string& a : args)
            command += " " + Quote(a);
        return Shell(command);
    }

    // shelf/: a disc folder whose name needs escaping in HTML and in a URL (its VIDEO_TS a link to the fixture disc's),
    // an image that is not one, a VOB, and in sub/ an image.
    void MakeShelf() const
    {
        fs::create_directories(dir_ / "shelf/A & B <1> #2");
        fs::create_directories(dir_ / "shelf/sub");
        fs::create_directory_symlink(FixturePath("disc/VIDEO_TS"), dir_ / "shelf/A & B <1> #2/VIDEO_TS");
        std::ofstream(dir_ / "shelf/broken.iso") << "not a disc image\n";
        fs::create_symlink(FixturePath("pal.vob"), dir_ / "shelf/clip.vob");
        fs::create_symlink(FixturePath("subs.iso"), dir_ / "shelf/sub/subs.iso");
    }

    nlohmann::json Json(const std::string& folder = "out") const
    {
        return nlohmann::json::parse(ReadAll(dir_ / folder / "catalogue.json"));
    }

    fs::path dir_;
};

TEST_F(Catalogue, TakesEachDiscOnceSaysWhatFailedAndSkipsWhatASecondRunFindsMade)
{
    MakeShelf();
    // The fixture disc is also on the shelf, through its link: it is taken once.
    const std::vector<std::string> args = {"--catalogue", "out", "shelf", FixturePath("disc"), FixturePath("text.vob")};
    const Result first = Thumbs(args);
    EXPECT_EQ(first.status, 1) << first.out;
    EXPECT_NE(first.out.find("\n5 discs: 3 done, 0 skipped, 2 failed\n"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("\n  shelf/broken.iso: "), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("\n  " + FixturePath("text.vob") + ": "), std::string::npos) << first.out;
    EXPECT_EQ(first.out.find("[6/"), std::string::npos) << first.out;

    const nlohmann::json made = Json();
    ASSERT_EQ(made["entries"].size(), 5u);
    std::vector<std::string> statuses;
    std::map<fs::path, fs::file_time_type> sheets;
    for (const nlohmann::json& entry : made["entries"]) {
        statuses.push_back(entry["status"]);
        for (const nlohmann::json& title : entry["titles"])
            if (!title["sheet"].get<std::string>().empty())
                sheets[dir_ / "out" / title["sheet"].get<std::string>()] = {};
    }
    EXPECT_EQ(statuses, (std::vector<std::string>{"done", "failed", "done", "done", "failed"}));
    EXPECT_EQ(made["entries"][0]["name"], "A & B <1> #2");
    // The disc's main title only; the file's one video.
    ASSERT_EQ(sheets.size(), 3u);
    for (auto& [sheet, time] : sheets) {
        ASSERT_TRUE(fs::is_regular_file(sheet)) << sheet;
        time = fs::last_write_time(sheet);
    }

    const Result second = Thumbs(args);
    EXPECT_EQ(second.status, 1) << second.out;
    EXPECT_NE(second.out.find("\n5 discs: 0 done, 3 skipped, 2 failed\n"), std::string::npos) << second.out;
    EXPECT_NE(second.out.find("[1/5] shelf/A & B <1> #2: skipped"), std::string::npos) << second.out;
    for (const auto& [sheet, time] : sheets)
        EXPECT_EQ(fs::last_write_time(sheet), time) << sheet;
    // The page and the JSON still list what was skipped, with its sheets.
    const nlohmann::json listed = Json();
    ASSERT_EQ(listed["entries"].size(), 5u);
    EXPECT_EQ(listed["entries"][0]["status"], "skipped");
    EXPECT_EQ(listed["entries"][0]["titles"], made["entries"][0]["titles"]);
    EXPECT_NE(ReadAll(dir_ / "out/index.html").find(">A &amp; B &lt;1&gt; #2<"), std::string::npos);
}

// Headless Chromium loads a copy of the page with a script appended that lists, once everything
// has loaded, each image's link and the width it decoded to (0: it did not load).
class CataloguePage : public Catalogue {
protected:
    std::vector<std::pair<std::string, int>> LoadedImages(const fs::path& folder) const
    {
        std::string page = ReadAll(folder / "index.html");
        const std::string script =
            "<script>addEventListener('load', () => { const p = document.createElement('pre'); p.id = 'loaded';"
            " p.textContent = [...document.images].map(i => '\\nIMG ' + i.naturalWidth + ' ' + i.getAttribute('src'))"
            ".join(''); document.body.append(p); });</script>\n";
        page.insert(page.rfind("</body>"), script);
        std::ofstream(folder / "check.html") << page;
        const Result r = Shell("timeout 60 chromium --headless --no-sandbox --disable-gpu --user-data-dir=" +
                               Quote((dir_ / "chromium").string()) + " --virtual-time-budget=10000 --dump-dom " +
                               Quote(FileUrl(folder / "check.html")) + " 2>/dev/null");
        EXPECT_EQ(r.status, 0) << r.out;
        std::vector<std::pair<std::string, int>> images;
        std::istringstream lines(r.out);
        for (std::string word; lines >> word;) {
            if (word != "IMG")
                continue;
            int width = -1;
            std::string src;
            lines >> width >> src;
            images.emplace_back(src, width);
        }
        return images;
    }
};

TEST_F(CataloguePage, EverySheetLoadsInABrowserThroughItsEscapedLink)
{
    MakeShelf();
    const Result r = Thumbs({"--catalogue", "out", "shelf/A & B <1> #2", "shelf/clip.vob"});
    ASSERT_EQ(r.status, 0) << r.out;
    // The page is moved, to a folder whose name a URL escapes too: its links are relative.
    const fs::path moved = dir_ / "moved here #1";
    fs::rename(dir_ / "out", moved);

    const std::vector<std::pair<std::string, int>> images = LoadedImages(moved);
    ASSERT_EQ(images.size(), 2u);
    for (const auto& [src, width] : images)
        EXPECT_EQ(width, 1600) << src;
    EXPECT_EQ(images[0].first.find_first_of(" &<>#"), std::string::npos) << images[0].first;

    // The check sees a sheet that is not where its link points.
    const nlohmann::json entry = Json("moved here #1")["entries"][0];
    const fs::path sheet = moved / entry["titles"][1]["sheet"].get<std::string>();
    fs::rename(sheet, fs::path(sheet).replace_extension(".moved"));
    const std::vector<std::pair<std::string, int>> broken = LoadedImages(moved);
    ASSERT_EQ(broken.size(), 2u);
    EXPECT_EQ(broken[0].second, 0) << broken[0].first;
    EXPECT_EQ(broken[1].second, 1600) << broken[1].first;
}

}  // namespace
