// controller-sim's own routes beside the controller's REST service, shared with the clients that
// follow its auto-reports (tvkhost --follow-reports).
#pragma once

namespace ControllerSim {

// GET with after=SEQ&wait_ms=MS: the oldest kept auto-report after SEQ, its number in
// kReportSeqHeader (long poll; 204 when none came in time). POST: queue the body as a report.
inline constexpr char kAutoReportPath[] = "/sim/v1/auto-report";
// GET: {"seq":N}, the newest report's number.
inline constexpr char kLatestReportPath[] = "/sim/v1/auto-report/seq";
inline constexpr char kReportSeqHeader[] = "X-Sim-Seq";
// The keys of a follow request.
inline constexpr char kAfterKey[] = "after";
inline constexpr char kWaitKey[] = "wait_ms";

}  // namespace ControllerSim
