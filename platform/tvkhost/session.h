// One run of tvkhost: load the plugin, run the steps, follow the controller's reports.
#ifndef TVKHOST_SESSION_H
#define TVKHOST_SESSION_H

#include <ostream>
#include <vector>

#include "tvkhost/commands.h"
#include "tvkhost/options.h"

namespace tvkhost {

enum ExitCode : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Loads the plugin and runs the steps in order. After each step it waits for the events the
// step posted and, with --follow-reports, relays the auto-reports the step caused; with
// --follow-reports and no step it relays every report until SIGINT or SIGTERM. Stops at the
// first failure: kExitFailure, the reason written to `err`.
int runSession(const Options& options, const std::vector<Step>& steps, std::ostream& out,
               std::ostream& err);

}  // namespace tvkhost

#endif  // TVKHOST_SESSION_H
