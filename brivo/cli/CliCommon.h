#pragma once

#include <string>
#include <vector>

#include "fontfile/OutputForm.h"
#include "glyph/Result.h"

namespace brivo {

// "16x16" with separator 'x', "0,-2" with ','; false unless both parts are whole numbers.
bool ParsePair(const std::string& text, char separator, int& first, int& second);

// A file named *.fnt (any case: *.FNT too) is a binary font file, *.bdf a BDF font; anything
// else is C source.
bool IsBinaryFontPath(const std::string& path);
bool IsBdfPath(const std::string& path);

// Where a command writes: a file, or standard output for "-".
struct OutputFile {
    std::string name;  // as given
    FileForm form = FileForm::CSource;
    bool ToStdout() const { return name == "-"; }
    // The path the writers take.
    std::string Path() const { return ToStdout() ? "/dev/stdout" : name; }
    // The file's absolute path for messages, or "standard output".
    std::string Shown() const;
};

// The output `name` names with the form `format` (a keyword of OutputForms(), or "png")
// gives, else the one its name says (*.fnt, *.bdf, anything else C source; `png` only PNG).
// Standard output ("-") has no name to tell the form by: it needs --format.
Result ResolveOutput(const std::string& name, const std::string& format, bool png,
                     OutputFile& output);

// "Output file: *.fnt = binary font file, ..., anything else = C source; - = standard
// output", from the output forms.
std::string OutputFileHelp();

// Whether a save to `path` can start (see safefile::CheckTarget), checked before the work.
Result CheckOutputTarget(const std::string& path);

// Whether `output` names the file `input` names (also through a link or another path).
bool IsSameFile(const std::string& input, const std::string& output);

// The text with its control characters written out ("\\n", "\\x1b"), so that a file name
// holding a line feed cannot break a message in two.
std::string Escaped(const std::string& text);

// Prints "brivo-cli COMMAND: MESSAGE" to stderr, each of `details` on a line of its own
// under it, and returns the failure exit status.
int Fail(const std::string& command, const std::string& message,
         const std::vector<std::string>& details = {});

// The status exit of a usage error (a malformed option value, a missing --format).
constexpr int kUsageExit = 2;

// Fail's message with the usage exit status.
int UsageFail(const std::string& command, const std::string& message);

// Whether --quiet was given: status lines and notes are left out.
bool& Quiet();

// A status line ("Wrote ...") on stderr, whatever standard output carries; none with --quiet.
void Status(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "brivo-cli: warning: MESSAGE" and "brivo-cli: note: MESSAGE" on stderr.
void Warn(const std::string& message, const std::vector<std::string>& details = {});
void Note(const std::string& message);

}  // namespace brivo
