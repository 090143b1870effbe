#pragma once

#include <string>
#include <utility>

namespace brivo {

// Outcome of an operation that can fail for a reason the user should read: the GUI shows
// `message` in a message box, the command-line tool prints it. Empty message = success.
struct Result {
    std::string message;

    bool Ok() const { return message.empty(); }
    explicit operator bool() const { return Ok(); }

    static Result Success() { return {}; }
    static Result Failure(std::string why) {
        if (why.empty()) why = "unknown error";
        return Result{std::move(why)};
    }
};

}  // namespace brivo
