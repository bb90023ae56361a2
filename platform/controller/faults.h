// The faults controller-sim can put into its REST answers, so that clients can be tried against a
// controller that misbehaves: one table of modes, one of them in force, switched while it runs.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace ControllerSim {

struct Fault;

class Faults {
public:
    Faults();
    Faults(const Faults&) = delete;
    Faults& operator=(const Faults&) = delete;

    static bool known(const std::string& name);
    // "  NAME  what it does", for --help: every name on a line of its own, its text in one column
    // after the longest name, wrapped there.
    static std::string usage();

    // Puts the named mode in force ("none": answer as the controller does). False, and nothing
    // changed, for an unknown name.
    bool select(const std::string& name);

    // Before routing. True when the fault in force answers instead of the route, which then never
    // sees the request. Otherwise a fault that spoils the route's answer names itself in the
    // response's kFaultHeader for spoil(). Routes under kSimRoutePrefix are never faulted.
    bool answerInstead(const httplib::Request& request, httplib::Response& response);
    // After the route answered: spoils the answer as the fault named in it says.
    void spoil(const httplib::Request& request, httplib::Response& response);

    // Ends every wait of the modes at once, now and later; for stopping. Cannot be undone.
    void shutdown();

    // For the modes: waits while the named mode stays in force; false, at once, when too many
    // requests wait already.
    bool waitWhileSelected(const std::string& name);
    // For the modes: waits `time`; false once stopping.
    bool pause(std::chrono::milliseconds time);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const Fault* selected_;
    bool stopping_ = false;
    int waiting_ = 0;
};

}  // namespace ControllerSim
