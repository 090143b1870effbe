#include "cli/CliCommon.h"

#include <strings.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "safefile/SafeFile.h"

namespace brivo {

bool ParsePair(const std::string& text, char separator, int& first, int& second) {
    const std::size_t at = text.find(separator);
    if (at == std::string::npos) return false;
    try {
        std::size_t used1 = 0, used2 = 0;
        first = std::stoi(text.substr(0, at), &used1);
        second = std::stoi(text.substr(at + 1), &used2);
        return used1 == at && used2 == text.size() - at - 1;
    } catch (const std::exception&) {
        return false;
    }
}

namespace {

bool HasSuffix(const std::string& path, const char* suffix) {
    const std::size_t length = std::strlen(suffix);
    return path.size() >= length && strcasecmp(path.c_str() + path.size() - length, suffix) == 0;
}

}  // namespace

bool IsBinaryFontPath(const std::string& path) { return HasSuffix(path, ".fnt"); }

bool IsBdfPath(const std::string& path) { return HasSuffix(path, ".bdf"); }

std::string OutputFile::Shown() const {
    return ToStdout() ? "standard output" : std::filesystem::absolute(name).string();
}

namespace {

// "c, fnt or bdf"
std::string FormKeywords() {
    std::string text;
    const std::vector<OutputForm>& forms = OutputForms();
    for (std::size_t n = 0; n < forms.size(); ++n)
        text += std::string(n == 0 ? "" : n + 1 == forms.size() ? " or " : ", ") + forms[n].keyword;
    return text;
}

}  // namespace

Result ResolveOutput(const std::string& name, const std::string& format, bool png,
                     OutputFile& output) {
    output.name = name;
    if (format.empty() && name == "-")
        return Result::Failure("give --format " + (png ? std::string("png") : FormKeywords()) +
                               " to write to standard output");
    if (png)
        output.form = FileForm::Png;
    else if (const OutputForm* given = FormByKeyword(format))
        output.form = given->form;
    else
        output.form = FormOfPath(name).form;
    return Result::Success();
}

std::string OutputFileHelp() {
    std::string text = "Output file: ";
    // A name tells the first form whose types have its extension.
    for (const OutputForm& form : OutputForms())
        if (&form != &OutputForms().front() && form.named)
            for (const FileType& type : form.types)
                text += std::string("*.") + type.extension + " = " + form.kind + ", ";
    return text + "anything else = " + OutputForms().front().kind + "; - = standard output";
}

Result CheckOutputTarget(const std::string& path) {
    const std::string refused = safefile::CheckTarget(path);
    return refused.empty() ? Result::Success() : Result::Failure(refused);
}

bool IsSameFile(const std::string& input, const std::string& output) {
    std::error_code error;
    return std::filesystem::equivalent(input, output, error);
}

std::string Escaped(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\t') {
            shown += "\\t";
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", byte);
            shown += code;
        }
    }
    return shown;
}

namespace {

void PrintLines(const std::string& first, const std::vector<std::string>& details) {
    std::string text = Escaped(first);
    for (const std::string& detail : details) text += "\n  " + Escaped(detail);
    std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace

int Fail(const std::string& command, const std::string& message,
         const std::vector<std::string>& details) {
    PrintLines("brivo-cli " + command + ": " + message, details);
    return 1;
}

int UsageFail(const std::string& command, const std::string& message) {
    Fail(command, message);
    return kUsageExit;
}

bool& Quiet() {
    static bool quiet = false;
    return quiet;
}

void Status(const char* format, ...) {
    if (Quiet()) return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
}

void Warn(const std::string& message, const std::vector<std::string>& details) {
    PrintLines("brivo-cli: warning: " + message, details);
}

void Note(const std::string& message) {
    if (!Quiet()) PrintLines("brivo-cli: note: " + message, {});
}

}  // namespace brivo
