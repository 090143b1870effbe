#pragma once

#include <string>
#include <utility>

namespace brivo {

// What went wrong, for a face that words its messages itself (the desktop program shows them
// in Korean); `Result::message` stays the English text the command-line tool prints.
enum class ErrorKind {
    Unknown,
    NoRange,         // no code range chosen
    UnknownRange,    // a code range number that does not exist
    GlyphSize,       // width or height outside 1..256
    AsciiWidth,      // ASCII cells are half the width: width below 2
    FontHeight,      // font height outside -1024..1024
    Threshold,       // extraction strength outside 1..255
    FaceName,        // face name empty or too long
    SkipBytes,       // skip bytes outside 0..65536
    CannotOpen,      // subject: the file
    CannotRead,      // subject: the file
    CannotWrite,     // subject: the file
    NoGlyphData,     // subject: the file
    HeaderMismatch,  // subject: the file
    NotCodeTable,    // the code table beside a .fnt file does not fit it; subject: the table
};

// Outcome of an operation that can fail for a reason the user should read: the GUI shows
// `message` in a message box, the command-line tool prints it. Empty message = success.
// A caller that drops one loses the failure, so the compiler warns about it.
struct [[nodiscard]] Result {
    std::string message;
    ErrorKind kind = ErrorKind::Unknown;
    std::string subject;  // the file a failure is about, where there is one

    bool Ok() const { return message.empty(); }
    explicit operator bool() const { return Ok(); }

    static Result Success() { return {}; }
    static Result Failure(std::string why) { return Failure(ErrorKind::Unknown, std::move(why)); }
    static Result Failure(ErrorKind kind, std::string why, std::string subject = {}) {
        if (why.empty()) why = "unknown error";
        return Result{std::move(why), kind, std::move(subject)};
    }
    // A failure of `kind` when `why` is not empty, else success.
    static Result FailureIf(ErrorKind kind, std::string why, std::string subject = {}) {
        if (why.empty()) return Success();
        return Failure(kind, std::move(why), std::move(subject));
    }
};

}  // namespace brivo
