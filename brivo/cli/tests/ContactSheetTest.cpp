// The labels of brivo-cli's contact sheet, compared with the hinted monochrome rendering of
// FreeType itself.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/tests/CliRun.h"

namespace {

namespace fs = std::filesystem;

// A picture of ink ('#') and paper ('.'), rows top first.
struct Picture {
    int width = 0, height = 0;
    std::string pixels;
    bool Ink(int x, int y) const { return pixels[y * width + x] == '#'; }
    std::string Rows() const {
        std::string text;
        for (int y = 0; y < height; ++y) text += pixels.substr(y * width, width) + "\n";
        return text;
    }
};

// The sheet's pixels: black is ink (glyphs and labels), anything else paper or frame.
struct Sheet {
    int width = 0, height = 0;
    std::vector<uint8_t> grey;
    uint8_t At(int x, int y) const { return grey[y * width + x]; }
};

bool ReadPng(const fs::path& path, Sheet& sheet) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_GRAY;
    sheet.width = static_cast<int>(png.width);
    sheet.height = static_cast<int>(png.height);
    sheet.grey.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, sheet.grey.data(), 0, nullptr) != 0;
}

// The first character of the one label of a one-glyph sheet: the ink under the glyph's frame,
// from its leftmost column over `columns` columns, cut to its rows.
Picture FirstLabelCharacter(const Sheet& sheet, int columns) {
    int frameBottom = 0;
    for (int y = 0; y < sheet.height; ++y)
        for (int x = 0; x < sheet.width; ++x)
            if (sheet.At(x, y) != 0 && sheet.At(x, y) != 255) frameBottom = y;
    int left = sheet.width;
    for (int y = frameBottom + 1; y < sheet.height; ++y)
        for (int x = 0; x < sheet.width; ++x)
            if (sheet.At(x, y) == 0) left = std::min(left, x);
    int top = sheet.height, bottom = -1;
    for (int y = frameBottom + 1; y < sheet.height; ++y)
        for (int x = left; x < left + columns && x < sheet.width; ++x)
            if (sheet.At(x, y) == 0) top = std::min(top, y), bottom = std::max(bottom, y);
    Picture picture;
    if (bottom < 0) return picture;
    picture.width = columns;
    picture.height = bottom - top + 1;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x < left + columns; ++x)
            picture.pixels += x < sheet.width && sheet.At(x, y) == 0 ? '#' : '.';
    return picture;
}

// FreeType's hinted monochrome rendering of `character` at `pixels`, cut to its ink.
Picture MonoGlyph(FT_Face face, char32_t character, int pixels) {
    Picture picture;
    if (FT_Set_Pixel_Sizes(face, 0, pixels) != 0 ||
        FT_Load_Char(face, character, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
        return picture;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    picture.width = static_cast<int>(bitmap.width);
    picture.height = static_cast<int>(bitmap.rows);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.pixels +=
                bitmap.buffer[y * bitmap.pitch + x / 8] & (0x80 >> (x % 8)) ? '#' : '.';
    // Blank rows at the top or bottom are not the ink's.
    while (picture.height > 0 &&
           picture.pixels.substr(0, picture.width).find('#') == std::string::npos)
        picture.pixels.erase(0, picture.width), --picture.height;
    while (picture.height > 0 &&
           picture.pixels.substr((picture.height - 1) * picture.width).find('#') ==
               std::string::npos)
        picture.pixels.resize((--picture.height) * picture.width);
    return picture;
}

class ContactSheetTest : public CliTest {};

// Syllables whose thin strokes a threshold of the greyscale form loses at 12 pixels (개 turns
// into 가, 메 into 머, 소 into 스): the label shows each as the font draws it.
TEST_F(ContactSheetTest, LabelsAreTheFontsMonochromeGlyphs) {
    const std::string file = FontFile("NanumGothicCoding:style=Regular");
    ASSERT_NE(file.find("NanumGothicCoding"), std::string::npos) << file;
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Face(library, file.c_str(), 0, &face), 0);

    struct Case {
        const char* utf8;
        char32_t character;
    };
    const Case cases[] = {{"\xEA\xB0\x9C", U'개'},
                          {"\xEB\xA9\x94", U'메'},
                          {"\xEC\x86\x8C", U'소'},
                          {"\xEA\xB2\x8C", U'게'}};
    for (const Case& c : cases) {
        const Picture expected = MonoGlyph(face, c.character, 12);
        ASSERT_GT(expected.height, 0);
        for (int scale : {1, 4}) {
            const fs::path fnt = folder / "one.fnt", png = folder / "one.png";
            ASSERT_EQ(Cli(std::string("extract --chars ") + c.utf8 + " -o " + fnt.string()).status,
                      0);
            const CliRun run = Cli("preview " + fnt.string() + " --size 16x16 --range custom" +
                                   " --scale " + std::to_string(scale) + " -o " + png.string());
            ASSERT_EQ(run.status, 0) << run.output;
            Sheet sheet;
            ASSERT_TRUE(ReadPng(png, sheet));
            const Picture label = FirstLabelCharacter(sheet, expected.width);
            EXPECT_EQ(label.Rows(), expected.Rows())
                << c.utf8 << " at scale " << scale << " (label above, FreeType below)";
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

}  // namespace
