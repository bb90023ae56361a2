// The session: loading, the steps with what they caused, following the auto-reports.
#include "tvkhost/session.h"

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "tvkhost/host.h"
#include "tvkhost/printer.h"
#include "tvkhost/reportfollower.h"

namespace tvkhost {

namespace {

volatile std::sig_atomic_t stopRequested = 0;
extern "C" void requestStop(int) {
    stopRequested = 1;
}

int fail(std::ostream& err, const std::string& text) {
    err << "tvkhost: " << text << '\n';
    return kExitFailure;
}

std::string environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string reportName(const ReportFollower::Report& report) {
    return "auto-report " + std::to_string(report.seq);
}

// Relays every report the controller has made so far and not yet relayed.
int relayReports(CommandContext& context, ReportFollower& follower,
                 std::chrono::milliseconds wait) {
    std::string error;
    std::uint64_t newest = 0;
    if (!follower.latest(newest, error)) return fail(context.err, error);
    while (follower.taken() < newest) {
        ReportFollower::Report report;
        if (!follower.next(std::chrono::seconds(2), report, error)) {
            return fail(context.err,
                        error.empty() ? "auto-report " + std::to_string(newest) + " did not arrive"
                                      : error);
        }
        if (!sendAutoReport(context, report.text, reportName(report))) return kExitFailure;
        if (!context.host.drain(wait)) return fail(context.err, "posted events undelivered");
    }
    return kExitOk;
}

// Relays reports as they come until SIGINT or SIGTERM.
int followReports(CommandContext& context, ReportFollower& follower,
                  std::chrono::milliseconds wait) {
    stopRequested = 0;
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::string error;
    while (!stopRequested) {
        ReportFollower::Report report;
        // Short polls, so that a stop request is seen soon.
        if (!follower.next(std::chrono::milliseconds(500), report, error)) {
            if (!error.empty()) return fail(context.err, error);
            continue;
        }
        if (!sendAutoReport(context, report.text, reportName(report))) return kExitFailure;
        context.host.drain(wait);
    }
    return kExitOk;
}

}  // namespace

int runSession(const Options& options, const std::vector<Step>& steps, std::ostream& out,
               std::ostream& err) {
    // The plugin's HTTP client library reads these when it is first used.
    if (!options.controller.empty()) setenv("RESTLINK_BASE_URL", options.controller.c_str(), 1);
    if (options.tokenGiven) setenv("RESTLINK_TOKEN", options.token.c_str(), 1);

    Printer printer(out, options.json);
    Host host([&printer](const Delivery& delivery) { printer.delivery(delivery); });
    std::string error;
    if (!host.load(options.plugin.empty() ? defaultPluginPath() : options.plugin, error)) {
        return fail(err, error);
    }
    CommandContext context{host, printer, err};

    std::unique_ptr<ReportFollower> follower;
    if (options.followReports) {
        follower =
            std::make_unique<ReportFollower>(environment("RESTLINK_BASE_URL", kDefaultController),
                                             environment("RESTLINK_TOKEN", ""));
        if (!follower->start(error)) return fail(err, error);
    }

    for (const Step& step : steps) {
        const bool done = step.run(context);
        // Posted events belong to the step that caused them.
        if (!host.drain(options.wait)) {
            return fail(err, "posted events still undelivered after " +
                                 std::to_string(options.wait.count()) + " ms (after '" + step.name +
                                 "')");
        }
        if (!done) return kExitFailure;
        if (follower) {
            const int status = relayReports(context, *follower, options.wait);
            if (status != kExitOk) return status;
        }
    }
    if (follower && steps.empty()) {
        const int status = followReports(context, *follower, options.wait);
        if (status != kExitOk) return status;
    }
    host.shutdown();
    return kExitOk;
}

}  // namespace tvkhost
