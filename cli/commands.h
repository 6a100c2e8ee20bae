// kestroctl's commands, each run in-process against the environment's HID
// platform and streams.
#pragma once

#include "cli/command_line.h"
#include "cli/environment.h"
#include "cli/exit_status.h"

namespace kestro::cli {

ExitStatus runList(const Invocation& invocation, Environment& env);
ExitStatus runShow(const Invocation& invocation, Environment& env);
ExitStatus runSet(const Invocation& invocation, Environment& env);
ExitStatus runSelftest(const Invocation& invocation, Environment& env);
ExitStatus runMonitor(const Invocation& invocation, Environment& env);
ExitStatus runBackup(const Invocation& invocation, Environment& env);
ExitStatus runRestore(const Invocation& invocation, Environment& env);

} // namespace kestro::cli
