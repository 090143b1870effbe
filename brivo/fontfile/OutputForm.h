#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fontfile/TextFontWriter.h"
#include "glyph/BitLayout.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

// What a written file holds: C source, a binary font file, a BDF font, Adafruit GFX fonts
// (by EUC-KR byte, or TFT_eSPI's by Unicode), an LVGL font (C source for LVGL), or a PNG
// picture of the glyphs (the preview's contact sheet, which is no form a glyph set is saved
// in).
enum class FileForm { CSource, Binary, Bdf, Gfx, GfxUnicode, Lvgl, Png };

// What a save takes beyond the set and the path; each form reads what it carries.
struct SaveOptions {
    bool doubleArray = true;  // C source: a row per glyph, else one flat array
    int skip = 0;             // .fnt: zero bytes before the records
    TextArrayOptions array;   // array name, code table, firmware declarations
    bool compress = false;    // a form that can compress its bitmaps does
    BitLayout layout;
    bool toPipe = false;  // the path has no name of its own (standard output)
};

// One file type of a form in a file dialog: "Header File", "h".
struct FileType {
    const char* description;
    const char* extension;
};

// What a form can carry besides the glyph bitmaps.
struct FormCarries {
    bool layout = false;     // a byte layout other than rows, MSB first
    bool arrayForm = false;  // the 1d or 2d array
    bool codeTable = false;  // the code of each glyph
    bool firmware = false;   // static, guard, split, section, PROGMEM declarations
    bool metrics = false;    // advance and ink box per glyph
    int maxBpp = 1;          // bits per pixel
    bool compress = false;   // compressed bitmaps
};

// An output form: its --format keyword, what it is called, the file types that name it, what
// it carries, and its writer. The forms are the rows of OutputForms().
struct OutputForm {
    FileForm form;
    const char* keyword;
    const char* kind;
    std::vector<FileType> types;  // the first is the default extension
    FormCarries carries;
    Result (*write)(const CGlyphSet& set, const std::string& path, const SaveOptions& options);
    // Whether a file's extension names the form (else only --format does: an LVGL font is a .c
    // file, and a .c file is the C source form).
    bool named = true;

    // Writes the set with `write`; glyphs of more bits a pixel than the form carries are
    // refused (DepthRefusal) rather than written thresholded.
    Result Write(const CGlyphSet& set, const std::string& path, const SaveOptions& options) const;
};

// Why glyphs of `bpp` bits a pixel cannot go into `form`, and which forms take them.
std::string DepthRefusal(const OutputForm& form, int bpp);

// Every form a glyph set is saved in, the CLI's and the desktop program's alike; the first
// is the form of a file whose name names no other.
const std::vector<OutputForm>& OutputForms();

// The row of `form`; PNG has none (the C source row stands in).
const OutputForm& FormOf(FileForm form);

// The row whose keyword is `keyword`, nullptr for none.
const OutputForm* FormByKeyword(std::string_view keyword);

// The form a file's name says (its extension, in any case), else the first row's.
const OutputForm& FormOfPath(std::string_view path);

// "C source", "binary font file", "BDF font" or "PNG picture".
const char* FileKindName(FileForm form);

// The file dialog's filter of a form: its types, then all files, as description|pattern
// pairs ended by "||" ("FNT File (*.fnt)|*.fnt|All Files(*.*)|*.*||").
std::string DialogFilter(const OutputForm& form);

// The filter of a dialog that offers several forms, a type for each in that order, named by
// the form's kind (forms of one extension stay apart): "BDF font (*.bdf)|*.bdf|...||".
std::string DialogFilter(const std::vector<const OutputForm*>& forms);

}  // namespace brivo
