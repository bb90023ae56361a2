// controller-sim's own routes, shared with the clients that use them: the auto-reports and the
// fault switch.
//
// They stand beside the controller's REST service; tvkhost --follow-reports follows the reports.
#pragma once

namespace ControllerSim {

// GET with after=SEQ&wait_ms=MS: the oldest kept auto-report after SEQ, its number in
// kReportSeqHeader (long poll; 204 when none came in time, MS at most 30000).
inline constexpr char kAutoReportPath[] = "/sim/v1/auto-report";
// GET: {"seq":N}, the newest report's number.
inline constexpr char kLatestReportPath[] = "/sim/v1/auto-report/seq";
inline constexpr char kReportSeqHeader[] = "X-Sim-Seq";
// The keys of a follow request: the report number to follow, then how long to wait.
inline constexpr const char* kFollowKeys[] = {"after", "wait_ms"};

// PUT with a fault's name as the whole body ("none" to go back): how the REST answers misbehave
// from then on (controller-sim --help lists the faults); 400 for a name it does not know.
inline constexpr char kFaultPath[] = "/sim/v1/fault";
// A faulted answer that comes at all carries the fault's name in this header.
inline constexpr char kFaultHeader[] = "X-Sim-Fault";
// Routes under this prefix, the fault switch among them, are never faulted.
inline constexpr char kSimRoutePrefix[] = "/sim/";

}  // namespace ControllerSim
