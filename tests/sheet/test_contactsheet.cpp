// The contact sheet as a user sees it: every picture in its cell the right way up with its label
// readable, the heading and the empty cells drawn, the file written whole or not at all.
#include "common/exceptions.h"
#include "sheet/contactsheet.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <tuple>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Rgb {
    int red;
    int green;
    int blue;
};

constexpr Rgb kTopBand{0xE0, 0x20, 0xE0};
constexpr int kTolerance = 24;

bool Near(const Rgb& a, const Rgb& b)
{
    return std::abs(a.red - b.red) <= kTolerance && std::abs(a.green - b.green) <= kTolerance &&
        std::abs(a.blue - b.blue) <= kTolerance;
}

int Brightness(const Rgb& c)
{
    return (c.red + c.green + c.blue) / 3;
}

// A picture of the cells' size in `colour`, its top quarter in kTopBand, standing bottom row first
// as the conversion's pictures do.
void MakePicture(TFastDIB& picture, const sheet::Layout& layout, Rgb colour)
{
    picture.SetSize(layout.cellWidth, layout.cellHeight, 32);
    for (int row = 0; row < picture.Rows(); ++row) {
        const Rgb c = row >= picture.Rows() * 3 / 4 ? kTopBand : colour;
        for (int x = 0; x < picture.Width(); ++x) {
            std::uint8_t* pixel = picture.Scanline(row) + 4 * x;
            pixel[0] = static_cast<std::uint8_t>(c.blue);
            pixel[1] = static_cast<std::uint8_t>(c.green);
            pixel[2] = static_cast<std::uint8_t>(c.red);
        }
    }
}

class Jpeg {
public:
    explicit Jpeg(const fs::path& file) : dib_(FreeImage_Load(FIF_JPEG, file.c_str(), 0)) {}
    bool Loaded() const { return dib_ != nullptr; }
    int Width() const { return static_cast<int>(FreeImage_GetWidth(dib_.get())); }
    int Height() const { return static_cast<int>(FreeImage_GetHeight(dib_.get())); }
    // (x, y) from the top left.
    Rgb At(int x, int y) const
    {
        RGBQUAD c{};
        FreeImage_GetPixelColor(dib_.get(), x, Height() - 1 - y, &c);
        return {c.rgbRed, c.rgbGreen, c.rgbBlue};
    }
    // How many pixels of `rect` pass `test`.
    int Count(const sheet::Rect& rect, const std::function<bool(const Rgb&)>& test) const
    {
        int count = 0;
        for (int y = rect.top; y < rect.top + rect.height; ++y)
            for (int x = rect.left; x < rect.left + rect.width; ++x)
                count += test(At(x, y)) ? 1 : 0;
        return count;
    }

private:
    struct Unload {
        void operator()(FIBITMAP* dib) const { FreeImage_Unload(dib); }
    };
    std::unique_ptr<FIBITMAP, Unload> dib_;
};

class ContactSheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("stillreel_sheet_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

const std::vector<std::string> kHeading{"VTS_01_1", "0:41:12  ·  720 x 576  ·  25 fps  ·  6 pictures"};
const sheet::VideoFacts kVideo{"VTS_01_1", "/dvd/VTS_01_1.VOB", 0,  0,      "0:41:12", 720, 576,
                               "4:3",      4.0 / 3.0,           25, 7340032};
const std::vector<std::string> kCaptions{"Ch. 1", "Ch. 2", "Ch. 3", "Ch. 4", "Ch. 5", "Ch. 6"};

nlohmann::json ReadJson(const fs::path& file)
{
    std::ifstream in(file);
    return nlohmann::json::parse(in, nullptr, false);
}

TEST_F(ContactSheetTest, EachPictureLandsInItsCellWithItsLabelUnderTheHeading)
{
    const sheet::Layout layout = sheet::LayOut(640, 3, 2, 4.0 / 3.0, 2);
    const std::vector<Rgb> colours{
        {0xD0, 0x20, 0x20}, {0x20, 0xB0, 0x30}, {0x20, 0x30, 0xD0}, {0xFF, 0xFF, 0xFF}, {0x00, 0x00, 0x00}};
    const fs::path file = dir_ / "sheet.jpg";
    {
        sheet::ContactSheet contactSheet(layout, kHeading, kVideo, kCaptions, file.string());
        contactSheet.Begin(61800);
        TFastDIB picture;
        for (int k = 0; k < 5; ++k) {
            MakePicture(picture, layout, colours[k]);
            contactSheet.Put(picture, k, 7750 * k + 30, false);
        }
        EXPECT_THROW(contactSheet.Put(picture, 6, 0, false), Exception);
        EXPECT_THROW(contactSheet.Put(picture, -1, 0, false), Exception);
        TFastDIB wrong;
        wrong.SetSize(layout.cellWidth + 1, layout.cellHeight, 32);
        EXPECT_THROW(contactSheet.Put(wrong, 5, 0, false), Exception);
        contactSheet.Finish();
    }

    const Jpeg jpeg(file);
    ASSERT_TRUE(jpeg.Loaded());
    ASSERT_EQ(jpeg.Width(), layout.width);
    ASSERT_EQ(jpeg.Height(), layout.height);

    for (int k = 0; k < 5; ++k) {
        const sheet::Rect cell = layout.Cell(k);
        const int midX = cell.left + cell.width / 2;
        EXPECT_TRUE(Near(jpeg.At(midX, cell.top + cell.height / 2), colours[k])) << "cell " << k;
        // The picture's top row is the cell's top row.
        EXPECT_TRUE(Near(jpeg.At(midX, cell.top + cell.height / 10), kTopBand)) << "cell " << k;
        EXPECT_TRUE(Near(jpeg.At(cell.left + 4, cell.top + cell.height - 4), colours[k])) << "cell " << k;
    }

    // The label sits in the bottom right corner: a dark box over white, light letters over black.
    const auto corner = [&](int k) {
        const sheet::Rect cell = layout.Cell(k);
        return sheet::Rect{cell.left + cell.width * 4 / 5, cell.top + cell.height * 9 / 10, cell.width / 5,
                           cell.height / 10};
    };
    const sheet::Rect whiteCorner = corner(3);
    EXPECT_GT(jpeg.Count(whiteCorner, [](const Rgb& c) { return Brightness(c) < 128; }),
              whiteCorner.width * whiteCorner.height / 2);
    EXPECT_GT(jpeg.Count(corner(4), [](const Rgb& c) { return Brightness(c) > 180; }), 10);

    // The heading's letters are dark on the light paper.
    const sheet::Rect heading = layout.heading;
    const int dark = jpeg.Count(heading, [](const Rgb& c) { return Brightness(c) < 100; });
    EXPECT_GT(dark, 100);
    EXPECT_LT(dark, heading.width * heading.height / 3);
    EXPECT_GT(Brightness(jpeg.At(layout.width / 2, layout.height - 2)), 220);

    // The cell whose picture never came is grey, says so and has its label.
    const sheet::Rect empty = layout.Cell(5);
    EXPECT_TRUE(Near(jpeg.At(empty.left + empty.width / 4, empty.top + empty.height / 4), {0x8C, 0x8C, 0x8C}));
    const sheet::Rect middle{empty.left, empty.top + empty.height * 2 / 5, empty.width, empty.height / 5};
    EXPECT_GT(jpeg.Count(middle, [](const Rgb& c) { return Brightness(c) > 200; }), 10);
    EXPECT_GT(jpeg.Count(corner(5), [](const Rgb& c) { return Brightness(c) < 100; }), 10);

    // The map beside it: each cell's frame, time and place, and none for the one that never came.
    const nlohmann::json map = ReadJson(dir_ / "sheet.json");
    ASSERT_TRUE(map.is_object()) << "no map beside the sheet";
    EXPECT_EQ(map["sheet"], "sheet.jpg");
    EXPECT_EQ(map["video"]["frames"], 61800);
    EXPECT_EQ(map["video"]["rate"], "25/1");
    EXPECT_EQ(map["video"]["bytes"], 7340032);
    ASSERT_EQ(map["cells"].size(), 6u);
    for (int k = 0; k < 6; ++k) {
        const nlohmann::json& cell = map["cells"][static_cast<std::size_t>(k)];
        const sheet::Rect rect = layout.Cell(k);
        EXPECT_EQ(std::vector<int>({cell["x"], cell["y"], cell["width"], cell["height"]}),
                  std::vector<int>({rect.left, rect.top, rect.width, rect.height}))
            << "cell " << k;
        if (k < 5) {
            EXPECT_EQ(cell["frame"], 7750 * k + 30) << "cell " << k;
        }
    }
    EXPECT_EQ(map["cells"][3]["label"], "Ch. 4  0:15:31");
    EXPECT_DOUBLE_EQ(map["cells"][3]["seconds"].get<double>(), 931.2);
    EXPECT_TRUE(map["cells"][5]["frame"].is_null());
    EXPECT_TRUE(map["cells"][5]["seconds"].is_null());
    EXPECT_EQ(map["cells"][5]["label"], "Ch. 6");
}

TEST_F(ContactSheetTest, AFailedWriteNamesTheFileAndLeavesNothingBehind)
{
    const sheet::Layout layout = sheet::LayOut(320, 2, 1, 16.0 / 9.0, 1);
    // A folder that does not exist, and a name a folder already has (the rename onto it fails), for
    // the sheet and for its map, which takes the sheet with it.
    fs::create_directory(dir_ / "taken.jpg");
    fs::create_directory(dir_ / "mapless.json");
    for (const auto& [file, failed, reason] :
         {std::tuple{dir_ / "missing" / "sheet.jpg", dir_ / "missing" / "sheet.jpg", "No such file or directory"},
          std::tuple{dir_ / "taken.jpg", dir_ / "taken.jpg", "Is a directory"},
          std::tuple{dir_ / "mapless.jpg", dir_ / "mapless.json", "Is a directory"}}) {
        sheet::ContactSheet contactSheet(layout, {"VTS_01_1"}, kVideo, {}, file.string());
        try {
            contactSheet.Finish();
            ADD_FAILURE() << "wrote " << file;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Unable to write contact sheet: " + failed.string() + " (" + reason + ")");
        }
    }
    std::vector<fs::path> left;
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
        left.push_back(entry.path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<fs::path>{dir_ / "mapless.json", dir_ / "taken.jpg"}));
}

TEST_F(ContactSheetTest, AnyDeinterlacedPictureMarksTheHeading)
{
    const sheet::Layout layout = sheet::LayOut(480, 2, 1, 4.0 / 3.0, 2);
    TFastDIB picture;
    MakePicture(picture, layout, {0x60, 0x60, 0x60});
    for (const bool deinterlaced : {false, true}) {
        sheet::ContactSheet contactSheet(layout, kHeading, kVideo, {},
                                         (dir_ / (deinterlaced ? "marked.jpg" : "plain.jpg")).string());
        contactSheet.Put(picture, 0, 0, false);
        contactSheet.Put(picture, 1, 25, deinterlaced);
        contactSheet.Finish();
    }
    const Jpeg plain(dir_ / "plain.jpg");
    const Jpeg marked(dir_ / "marked.jpg");
    ASSERT_TRUE(plain.Loaded() && marked.Loaded());
    const auto darkIn = [](const Jpeg& jpeg, const sheet::Rect& rect) {
        return jpeg.Count(rect, [](const Rgb& c) { return Brightness(c) < 128; });
    };
    // The mark goes on the last line: the title line keeps its pixels, the heading gains ink.
    const sheet::Rect heading = layout.heading;
    const sheet::Rect titleLine{heading.left, heading.top, heading.width, heading.height / 2};
    EXPECT_EQ(darkIn(marked, titleLine), darkIn(plain, titleLine));
    EXPECT_GT(darkIn(marked, heading), darkIn(plain, heading) + 50);
}

// Every cell inside the sheet, below the heading, apart from its neighbours; nothing past JPEG's
// largest side.
void ExpectFits(const sheet::Layout& layout)
{
    EXPECT_GE(layout.cellWidth, 32);
    EXPECT_LE(layout.height, 65500);
    const sheet::Rect& heading = layout.heading;
    EXPECT_GE(heading.left, 0);
    EXPECT_LE(heading.left + heading.width, layout.width);
    const int cells = layout.columns * layout.rows;
    for (int k = 0; k < cells; ++k) {
        const sheet::Rect cell = layout.Cell(k);
        ASSERT_EQ(cell.width, layout.cellWidth);
        ASSERT_EQ(cell.height, layout.cellHeight);
        ASSERT_GE(cell.left, 1);
        ASSERT_GE(cell.top, std::max(1, heading.top + heading.height));
        ASSERT_LT(cell.left + cell.width, layout.width);
        ASSERT_LT(cell.top + cell.height, layout.height);
        if (k % layout.columns + 1 < layout.columns) {
            ASSERT_GT(layout.Cell(k + 1).left, cell.left + cell.width);
        }
        if (k + layout.columns < cells) {
            ASSERT_GT(layout.Cell(k + layout.columns).top, cell.top + cell.height);
        }
    }
}

TEST(ContactSheetLayout, EverySheetItAcceptsFitsItsCellsInsideAJpeg)
{
    int accepted = 0;
    for (const int width : {100, 333, 640, 1280, 4000, 16384})
        for (const int columns : {1, 2, 5, 12, 40})
            for (const int rows : {1, 3, 25}) {
                if (!sheet::Problem(width, columns, rows).empty())
                    continue;
                ++accepted;
                for (const double aspect : {4.0 / 3.0, 16.0 / 9.0})
                    for (const int lines : {0, 1, 4}) {
                        SCOPED_TRACE(testing::Message() << width << " wide, " << columns << "x" << rows << ", aspect "
                                                        << aspect << ", " << lines << " lines");
                        ExpectFits(sheet::LayOut(width, columns, rows, aspect, lines));
                    }
            }
    EXPECT_GT(accepted, 30);
    for (const auto& [width, columns, rows] :
         {std::tuple{640, 0, 3}, std::tuple{640, 3, 0}, std::tuple{640, 40, 26}, std::tuple{16385, 4, 4},
          std::tuple{400, 12, 1}, std::tuple{2000, 1, 200}})
        EXPECT_NE(sheet::Problem(width, columns, rows), "") << width << " " << columns << "x" << rows;
}

}  // namespace
