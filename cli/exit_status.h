// kestroctl's exit statuses; the man page and --help list the same numbers,
// and scripts rely on them.
#pragma once

namespace kestro::cli {

enum class ExitStatus : int {
    Ok = 0,
    OutputFailed = 1,   // standard output could not be written (a closed pipe, a full disk)
    Usage = 2,          // the command line is wrong
    NoBoard = 3,        // no board attached, or none with the serial number asked for
    SeveralBoards = 4,  // several boards attached and no --serial
    AccessDenied = 5,   // the system refused access to the board
    NotAdmitted = 6,    // the board's version does not admit a setting or the self test
    VerifyFailed = 7,   // read back, the board does not hold what was written
    SelfTestFailed = 8, // the self test failed on an input
    NoReply = 9,        // the board did not answer, answered in part, or was lost
    BadFile = 10,       // the backup file cannot be read or written, or is not a backup
};

constexpr int code(ExitStatus status) {
    return static_cast<int>(status);
}

} // namespace kestro::cli
