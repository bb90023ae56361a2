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
// The keys of a follow request.
inline constexpr char kAfterKey[] = "after";
inline constexpr char kWaitKey[] = "wait_ms";

}  // namespace ControllerSim
