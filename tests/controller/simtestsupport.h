// Shared helpers of the simulator tests: documents, temporary files and a running service.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "controller/controllerdata.h"
#include "controller/controllerservice.h"
#include "controller/controllerstate.h"

namespace ControllerSimTest {

using namespace ControllerSim;

inline ControllerData sharedData() {
    ControllerData data;
    std::string error;
    EXPECT_TRUE(loadDocuments(std::string(OCSM_DATA_DIR) + "/screen-list-detail.json",
                              std::string(OCSM_DATA_DIR) + "/interface-list-detail.json", data,
                              error))
        << error;
    return data;
}

// A folder of its own under the test temp dir, removed with its files at the end.
class TempDir {
public:
    TempDir() {
        std::string pattern = ::testing::TempDir() + "controller-sim-XXXXXX";
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        for (const std::string& file : files_)
            unlink(file.c_str());
        rmdir(path_.c_str());
    }
    const std::string& path() const { return path_; }
    std::string write(const std::string& name, const std::string& content) {
        const std::string file = path_ + "/" + name;
        std::ofstream(file, std::ios::binary) << content;
        files_.push_back(file);
        return file;
    }

private:
    std::string path_;
    std::vector<std::string> files_;
};

// A service on a free loopback port over a state of its own, with a log that tests can read.
class RunningService {
public:
    explicit RunningService(ControllerData data, const std::string& token = "s3cret-token",
                            size_t maxWaitingFollowers = 16)
        : state(std::move(data)) {
        ServiceOptions options;
        options.token = token;
        options.maxWaitingFollowers = maxWaitingFollowers;
        options.requestLog = [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(logMutex_);
            log_.push_back(line);
        };
        service = std::make_unique<ControllerService>(state, options);
        std::string error;
        started = service->start("127.0.0.1", 0, error);
        EXPECT_TRUE(started) << error;
    }

    // A client that sends `token` (none when null); long read time-out so that a follow never
    // outlasts the client by accident.
    std::unique_ptr<httplib::Client> client(const char* token) const {
        auto result = std::make_unique<httplib::Client>("127.0.0.1", service->port());
        result->set_read_timeout(10, 0);
        if (token != nullptr) result->set_default_headers({{"Authorization", token}});
        return result;
    }

    // The request log once it holds at least `lines` lines (each is written just after its
    // answer went out), or as it is after a few seconds.
    std::vector<std::string> log(size_t lines) const {
        eventually([&] {
            std::lock_guard<std::mutex> lock(logMutex_);
            return log_.size() >= lines;
        });
        std::lock_guard<std::mutex> lock(logMutex_);
        return log_;
    }

    // Blocks until `count` followers wait in the service (or a few seconds have passed).
    bool waitForFollowers(size_t count) const {
        return eventually([&] { return service->waitingFollowers() >= count; });
    }

private:
    // Polls `done` for a few seconds; true once it held.
    template <class Done>
    static bool eventually(Done done) {
        for (int i = 0; i < 500 && !done(); ++i)
            usleep(10 * 1000);
        return done();
    }

    // Declared first: the service's workers write the log until the service has stopped.
    mutable std::mutex logMutex_;
    std::vector<std::string> log_;

public:
    ControllerState state;
    std::unique_ptr<ControllerService> service;
    bool started = false;
};

}  // namespace ControllerSimTest
