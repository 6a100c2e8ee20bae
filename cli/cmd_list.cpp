// kestroctl list: the scan's boards and the one the system refused, without
// a request to any of them.
#include "cli/board_access.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/readback.h"
#include "cli/table.h"
#include "cli/text.h"
#include "config/permission_hint.h"

namespace kestro::cli {

namespace {

void printJson(const BoardAccess& board, std::ostream& out) {
    std::string json = "{\"boards\":[";
    bool first = true;
    for (const ListedBoard& listed : board.boards()) {
        json += first ? "" : ",";
        first = false;
        json +=
            "{\"serial\":" + jsonString(latin1ToUtf8(listed.serial)) +
            ",\"productId\":" + jsonString(productIdText(listed.attributes.ProductID)) +
            ",\"version\":" + jsonString(versionText(versionOf(listed.attributes.VersionNumber))) +
            ",\"node\":" + jsonString(listed.path) + ",\"access\":\"ok\"}";
    }
    if (const auto& refused = board.refused()) {
        json += first ? "" : ",";
        json += "{\"serial\":null,\"productId\":" + jsonString(productIdText(refused->productId)) +
                ",\"version\":null,\"node\":" + jsonString(refusedNode(*refused)) +
                ",\"access\":\"denied\",\"fix\":" + jsonString(permissionHintText(*refused)) + "}";
    }
    out << json << "]}\n";
}

void printText(const BoardAccess& board, std::ostream& out) {
    std::vector<Row> rows = {{"SERIAL", "PRODUCT", "VERSION", "NODE", "ACCESS"}};
    for (const ListedBoard& listed : board.boards())
        rows.push_back({latin1ToUtf8(listed.serial), productIdText(listed.attributes.ProductID),
                        versionText(versionOf(listed.attributes.VersionNumber)), listed.path,
                        "ok"});
    const auto& refused = board.refused();
    if (refused)
        rows.push_back(
            {"-", productIdText(refused->productId), "-", refusedNode(*refused), "denied"});
    printTable(rows, out);
    if (refused)
        tellRefusal(*refused, out);
}

} // namespace

ExitStatus runList(const Invocation& invocation, Environment& env) {
    BoardAccess board(env.platform);
    board.scan();
    const bool any = !board.boards().empty() || board.refused();
    if (invocation.json)
        printJson(board, env.out);
    else if (any)
        printText(board, env.out);
    else
        env.err << "No Kestro board is attached.\n";

    if (!board.boards().empty())
        return ExitStatus::Ok;
    return board.refused() ? ExitStatus::AccessDenied : ExitStatus::NoBoard;
}

} // namespace kestro::cli
