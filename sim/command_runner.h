#pragma once

// The control commands of `zel-mouse-sim send` as every front-end carries them out: parsed,
// run on the session, and answered; a click answers once its release, kClickHold after the
// press, is done. The front-end waits in Poll and calls FinishDueClicks after each poll.
// Single-threaded.

#include <poll.h>

#include <functional>
#include <string_view>
#include <vector>

#include "sim/mouse_session.h"
#include "sim/pending_click.h"

namespace zel::sim {

class CommandRunner {
public:
    // Sends the answer to a command to the client that sent it (dropped when it has gone).
    using Reply = std::function<void(int client, bool ok, std::string_view text)>;

    // `session` must outlive the runner.
    CommandRunner(MouseSession& session, Reply reply);

    // Carries out `text` from `client`. True when it asks the simulator to quit (after the
    // answer has gone).
    bool Run(int client, std::string_view text);
    // Releases the clicks whose time has come and answers their senders.
    void FinishDueClicks();
    // Answers the senders of clicks not yet released ("<press answer>; <why>") and forgets
    // the clicks.
    void AbandonClicks(std::string_view why);
    // Polls `fds` until one is ready or the next click's release is due (without end while no
    // click waits). False, with a message on standard error, when polling failed.
    bool Poll(std::vector<pollfd>& fds) const;

private:
    MouseSession& session_;
    Reply reply_;
    std::vector<PendingClick> clicks_;
};

}  // namespace zel::sim
