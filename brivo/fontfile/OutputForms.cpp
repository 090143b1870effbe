#include <strings.h>

#include <cstring>
#include <filesystem>

#include "fontfile/BdfWriter.h"
#include "fontfile/BinaryFontFile.h"
#include "fontfile/GfxWriter.h"
#include "fontfile/LvglWriter.h"
#include "fontfile/OutputForm.h"
#include "glyph/CharacterSubset.h"
#include "glyph/GlyphSet.h"

namespace brivo {

namespace {

Result WriteCSource(const CGlyphSet& set, const std::string& path, const SaveOptions& options) {
    return WriteTextFile(set, path, options.doubleArray, {}, options.array, options.layout);
}

Result WriteBinary(const CGlyphSet& set, const std::string& path, const SaveOptions& options) {
    if (options.toPipe && options.array.codeTable != CodeIndex::None)
        return Result::Failure(
            "a .fnt file on standard output cannot have its code table beside it: write it to "
            "a file, or write C source, which holds the table");
    return WriteFontFile(set, path, options.skip, options.layout, options.array.codeTable);
}

// A font on standard output has no file name to be named after: it takes the array's.
Result WriteBdf(const CGlyphSet& set, const std::string& path, const SaveOptions& options) {
    const bool proportional = options.array.proportional;
    return options.toPipe ? WriteNamedBdfFile(set, path, options.array.name, proportional)
                          : WriteBdfFile(set, path, proportional);
}

Result WriteGfx(const CGlyphSet& set, const std::string& path, const SaveOptions& options) {
    return WriteGfxFile(set, path, options.array.name, false, options.array.proportional);
}

Result WriteGfxUnicode(const CGlyphSet& set, const std::string& path, const SaveOptions& options) {
    return WriteGfxFile(set, path, options.array.name, true, options.array.proportional);
}

// The font takes the array's name, or where that is not given, the file's where it can name one.
Result WriteLvgl(const CGlyphSet& set, const std::string& path, const SaveOptions& options) {
    std::string name = options.array.name;
    const std::string stem = std::filesystem::path(path).stem().string();
    if (!options.toPipe && name == TextArrayOptions().name && IsCIdentifier(stem)) name = stem;
    return WriteLvglFont(LvglFontOfSet(set, options.array.proportional), name, options.compress,
                         path);
}

FormCarries Carries(bool layout, bool arrayForm, bool codeTable, bool firmware, bool metrics,
                    int maxBpp) {
    FormCarries carries;
    carries.maxBpp = maxBpp;
    carries.layout = layout;
    carries.arrayForm = arrayForm;
    carries.codeTable = codeTable;
    carries.firmware = firmware;
    carries.metrics = metrics;
    return carries;
}

FormCarries LvglCarries() {
    FormCarries carries;
    carries.codeTable = true;  // glyphs are found by their Unicode characters
    carries.metrics = true;
    carries.compress = true;
    carries.maxBpp = 8;
    return carries;
}

bool HasExtension(std::string_view path, const char* extension) {
    const std::size_t length = std::strlen(extension);
    return path.size() > length && path[path.size() - length - 1] == '.' &&
           strncasecmp(path.data() + path.size() - length, extension, length) == 0;
}

}  // namespace

const std::vector<OutputForm>& OutputForms() {
    // A BDF font carries each glyph's code as its ENCODING; a GFX font each glyph's advance
    // and ink box.
    const FormCarries gfx = Carries(false, false, true, false, true, 1);
    static const std::vector<OutputForm> forms = {
        {FileForm::CSource,
         "c",
         "C source",
         {{"Header File", "h"}, {"CPP File", "cpp"}},
         Carries(true, true, true, true, true, 8),
         WriteCSource},
        {FileForm::Binary,
         "fnt",
         "binary font file",
         {{"FNT File", "fnt"}},
         Carries(true, false, true, false, false, 8),
         WriteBinary},
        {FileForm::Bdf,
         "bdf",
         "BDF font",
         {{"BDF Font", "bdf"}},
         Carries(false, false, true, false, true, 1),
         WriteBdf},
        // A header file, but only --format chooses these: a name ending .h stays C source.
        {FileForm::Gfx, "gfx", "Adafruit GFX font", {{"Header File", "h"}}, gfx, WriteGfx, false},
        {FileForm::GfxUnicode,
         "gfx-unicode",
         "TFT_eSPI GFX font",
         {{"Header File", "h"}},
         gfx,
         WriteGfxUnicode,
         false},
        {FileForm::Lvgl,
         "lvgl",
         "LVGL font",
         {{"LVGL Font", "c"}},
         LvglCarries(),
         WriteLvgl,
         false},
    };
    return forms;
}

Result OutputForm::Write(const CGlyphSet& set, const std::string& path,
                         const SaveOptions& options) const {
    if (set.bpp > carries.maxBpp) return Result::Failure(DepthRefusal(*this, set.bpp));
    return write(set, path, options);
}

std::string DepthRefusal(const OutputForm& form, int bpp) {
    const int most = form.carries.maxBpp;
    std::string forms;
    for (const OutputForm& row : OutputForms())
        if (row.carries.maxBpp >= bpp) forms += std::string(forms.empty() ? "" : ", ") + row.kind;
    return std::string(form.kind) + "s hold " + std::to_string(most) +
           (most == 1 ? " bit" : " bits") + " per pixel; glyphs of " + std::to_string(bpp) +
           " go into " + forms;
}

const OutputForm& FormOf(FileForm form) {
    for (const OutputForm& row : OutputForms())
        if (row.form == form) return row;
    return OutputForms().front();
}

const OutputForm* FormByKeyword(std::string_view keyword) {
    for (const OutputForm& row : OutputForms())
        if (keyword == row.keyword) return &row;
    return nullptr;
}

const OutputForm& FormOfPath(std::string_view path) {
    for (const OutputForm& row : OutputForms())
        for (const FileType& type : row.types)
            if (row.named && HasExtension(path, type.extension)) return row;
    return OutputForms().front();
}

const char* FileKindName(FileForm form) {
    return form == FileForm::Png ? "PNG picture" : FormOf(form).kind;
}

std::string DialogFilter(const OutputForm& form) {
    std::string filter;
    for (const FileType& type : form.types)
        filter +=
            std::string(type.description) + " (*." + type.extension + ")|*." + type.extension + "|";
    return filter + "All Files(*.*)|*.*||";
}

std::string DialogFilter(const std::vector<const OutputForm*>& forms) {
    std::string filter;
    for (const OutputForm* form : forms) {
        const std::string extension = form->types.front().extension;
        filter += std::string(form->kind) + " (*." + extension + ")|*." + extension + "|";
    }
    return filter + "|";
}

}  // namespace brivo
