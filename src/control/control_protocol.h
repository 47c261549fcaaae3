#pragma once

// The line-based messages on the instance socket.
//
// Requests (one per connection):
//   "show\n"                      a later start of the program: show the window, or, from a
//                                 headless instance, step aside for the window
//   "ctl\n" ("dir PATH\n")? ("arg WORD\n")* "end\n"
//                                 a zel-gmousectl command line, without its --config-dir, and
//                                 the files folder it named (absolute), if any
// Replies:
//   to show:  "shown\n" (the window is shown), "starting\n" (the window is not ready; nothing
//             is shown) or "stepping-aside\n" (the headless instance lets go of the mouse; it
//             closes the connection once its lock is free)
//   to ctl:   "exit N\n" "out LEN\n" LEN bytes "err LEN\n" LEN bytes, or "elsewhere\n" when the
//             program uses other files than the folder named
//   to any:   "busy\n" when too many connections are still sending: the request was not read
//             and nothing was done; the connection is closed
// A word holds no newline; the parts are length-checked, so no content can forge another part.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::control {

inline constexpr std::string_view kShowRequest = "show";
inline constexpr std::string_view kShownReply = "shown";
inline constexpr std::string_view kStartingReply = "starting";
inline constexpr std::string_view kSteppingAsideReply = "stepping-aside";
inline constexpr std::string_view kElsewhereReply = "elsewhere";
inline constexpr std::string_view kBusyReply = "busy";
inline constexpr std::size_t kMaxRequestBytes = 64 * 1024;
inline constexpr std::size_t kMaxReplyBytes = 16 * 1024 * 1024;

struct ControlRequest {
    bool show = false;              // the "show" request; the rest is empty then
    std::string configDir;          // empty: the program's own files
    std::vector<std::string> args;  // the command line after the options the tool took
};

struct ControlReply {
    bool elsewhere = false;
    int status = 0;
    std::string out;
    std::string err;
    bool busy = false;  // turned away unread: nothing was done
};

// nullopt when a word holds a newline (it cannot be sent).
std::optional<std::string> EncodeRequest(const ControlRequest& request);
// True once `bytes` holds a whole request (or enough to refuse it).
bool RequestComplete(std::string_view bytes);
// nullopt for anything that is not a whole, well-formed request.
std::optional<ControlRequest> DecodeRequest(std::string_view bytes);

std::string EncodeReply(const ControlReply& reply);
std::optional<ControlReply> DecodeReply(std::string_view bytes);

}  // namespace zel::control
