// controller-sim's own auto-report routes, shared with the clients that follow them.
//
// They stand beside the controller's REST service; tvkhost --follow-reports uses them.
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

}  // namespace ControllerSim
