// kestroctl selftest: the self-test request and its one reply, for boards
// whose version admits it.
#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/message.h"
#include "cli/readback.h"

namespace kestro::cli {

namespace {

ExitStatus statusOf(const SelfTestReply& reply) {
    if (!reply.answered)
        return ExitStatus::NoReply;
    return reply.byte1 == 0 ? ExitStatus::Ok : ExitStatus::SelfTestFailed;
}

void printJson(const SelfTestReply& reply, std::ostream& out) {
    const ExitStatus status = statusOf(reply);
    Json json = {{"result", status == ExitStatus::Ok               ? "passed"
                            : status == ExitStatus::SelfTestFailed ? "failed"
                                                                   : "no reply"},
                 {"text", selfTestCaption(reply)},
                 {"input", status == ExitStatus::SelfTestFailed ? Json(reply.byte1) : Json()}};
    if (reply.answered)
        json["reply"] = {reply.byte0, reply.byte1};
    printJsonLine(json, out);
}

} // namespace

ExitStatus runSelftest(const Invocation& invocation, Environment& env) {
    BoardAccess board(env.platform);
    if (const ExitStatus opened = board.open(invocation.serial, env.err); opened != ExitStatus::Ok)
        return opened;
    const BoardIdentity identity = board.readIdentity();
    if (!identity.admitsSelfTest()) {
        complain(env.err, "selftest",
                 "not admitted by this board: " +
                     gateRefusal(identity, "the self test", kSelfTestGate));
        return ExitStatus::NotAdmitted;
    }
    const std::optional<SelfTestReply> reply =
        carriesRequests(board, env.err) ? board.selfTest() : std::nullopt;
    if (!reply)
        return ExitStatus::NoReply;

    if (invocation.json)
        printJson(*reply, env.out);
    else
        env.out << selfTestCaption(*reply) << "\n";
    return statusOf(*reply);
}

} // namespace kestro::cli
