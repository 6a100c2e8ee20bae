// kestroctl list: the scan's boards and the one the system refused, without
// a request to any of them.
#include "cli/board_access.h"
#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/message.h"
#include "cli/readback.h"
#include "cli/table.h"
#include "cli/text.h"
#include "config/permission_hint.h"

namespace kestro::cli {

namespace {

Json boardJson(const ListedBoard& listed) {
    return {{"serial", latin1ToUtf8(listed.serial)},
            {"productId", productIdText(listed.attributes.ProductID)},
            {"version", stringOrNull(listedVersion(listed.attributes.VersionNumber))},
            {"node", listed.path},
            {"access", "ok"}};
}

Json refusedJson(const RefusedBoard& refused) {
    return {{"serial", nullptr},  {"productId", productIdText(refused.productId)},
            {"version", nullptr}, {"node", refusedNode(refused)},
            {"access", "denied"}, {"fix", permissionHintText(refused)}};
}

void printJson(const BoardAccess& board, std::ostream& out) {
    Json boards = Json::array();
    for (const ListedBoard& listed : board.boards())
        boards.push_back(boardJson(listed));
    for (const RefusedBoard& refused : board.refused())
        boards.push_back(refusedJson(refused));
    printJsonLine({{"boards", boards}}, out);
}

void printText(const BoardAccess& board, std::ostream& out) {
    std::vector<Row> rows = {{"SERIAL", "PRODUCT", "VERSION", "NODE", "ACCESS"}};
    for (const ListedBoard& listed : board.boards())
        rows.push_back({latin1ToUtf8(listed.serial), productIdText(listed.attributes.ProductID),
                        listedVersion(listed.attributes.VersionNumber).value_or("unknown"),
                        listed.path, "ok"});
    for (const RefusedBoard& refused : board.refused())
        rows.push_back(
            {"-", productIdText(refused.productId), "-", refusedNode(refused), "denied"});
    printTable(rows, out);
}

} // namespace

ExitStatus runList(const Invocation& invocation, Environment& env) {
    BoardAccess board(env.platform);
    board.scan();
    const bool any = !board.boards().empty() || !board.refused().empty();
    if (invocation.json)
        printJson(board, env.out);
    else if (any)
        printText(board, env.out);
    // The fix is for the user, not for a script reading the table.
    tellRefusals(board.refused(), env.err);
    if (!any && !invocation.json)
        complain(env.err, "list", "no Kestro board is attached");

    if (!board.boards().empty())
        return ExitStatus::Ok;
    return board.refused().empty() ? ExitStatus::NoBoard : ExitStatus::AccessDenied;
}

} // namespace kestro::cli
