#include "sim/command_runner.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "sim/control_command.h"

namespace zel::sim {

CommandRunner::CommandRunner(MouseSession& session, Reply reply)
    : session_(session), reply_(std::move(reply)) {}

bool CommandRunner::Run(int client, std::string_view text) {
    const ControlCommandParse parsed = ParseControlCommand(text);
    if (!parsed.command) {
        reply_(client, false, parsed.error);
        return false;
    }
    CommandOutcome outcome = session_.Execute(*parsed.command);
    if (outcome.releaseLater) {
        clicks_.push_back({std::chrono::steady_clock::now() + kClickHold, *outcome.releaseLater,
                           client, std::move(outcome.text)});
        return false;
    }
    reply_(client, outcome.ok, outcome.text);
    return outcome.quit;
}

void CommandRunner::FinishDueClicks() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<PendingClick> due;
    std::erase_if(clicks_, [&](PendingClick& click) {
        if (click.due > now) {
            return false;
        }
        due.push_back(std::move(click));
        return true;
    });
    for (const PendingClick& click : due) {
        const CommandOutcome release = session_.FinishClick(click.button);
        reply_(click.client, release.ok, click.pressText + "; " + release.text);
    }
}

void CommandRunner::AbandonClicks(std::string_view why) {
    // Taken out first: an answer may end a connection, which must not find the list in use.
    const std::vector<PendingClick> abandoned = std::exchange(clicks_, {});
    for (const PendingClick& click : abandoned) {
        reply_(click.client, false, click.pressText + "; " + std::string(why));
    }
}

bool CommandRunner::Poll(std::vector<pollfd>& fds) const {
    timespec wait{};
    timespec* timeout = TimeUntilNextRelease(clicks_, wait);
    if (::ppoll(fds.data(), fds.size(), timeout, nullptr) < 0 && errno != EINTR) {
        std::fprintf(stderr, "zel-mouse-sim: poll: %s\n", std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace zel::sim
