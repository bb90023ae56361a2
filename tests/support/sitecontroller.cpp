// A site's controller over cpp-httplib, and controller-sim capturing it.
#include "sitecontroller.h"

#include <httplib.h>

#include <chrono>
#include <sstream>

#include "controllersim.h"
#include "testsupport.h"

namespace ocsm_test {

std::map<std::string, std::vector<SiteAnswer>> readSites() {
    std::map<std::string, std::vector<SiteAnswer>> sites;
    for (const auto& c : readCases("controller/sites.tsv")) {
        SiteAnswer answer{c.at(1), std::stoi(c.at(2)), c.at(3), c.at(4) == "chunked", c.at(5), {}};
        std::istringstream warnings(c.at(6));
        for (std::string warning; std::getline(warnings, warning, '|');)
            if (warning != "-") answer.warnings.push_back(warning);
        sites[c[0]].push_back(std::move(answer));
    }
    return sites;
}

SiteController::SiteController(std::vector<SiteAnswer> answers)
    : answers_(std::move(answers)), server_(std::make_unique<httplib::Server>()) {
    server_->set_keep_alive_timeout(1);  // so that stopping does not wait long for idle clients
    server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        for (const SiteAnswer& answer : answers_) {
            if (answer.target != request.target) continue;
            response.status = answer.status;
            if (!answer.chunked) return response.set_content(answer.body, answer.contentType);
            return response.set_chunked_content_provider(
                answer.contentType, [&answer](size_t, httplib::DataSink& sink) {
                    // In two chunks, as a controller that writes as it goes.
                    const size_t half = answer.body.size() / 2;
                    sink.write(answer.body.data(), half);
                    sink.write(answer.body.data() + half, answer.body.size() - half);
                    sink.done();
                    return true;
                });
        }
        response.status = 404;
    });
    const int port = server_->bind_to_any_port("127.0.0.1");
    listener_ = std::thread([this] { server_->listen_after_bind(); });
    for (int i = 0; i < 500 && !server_->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    url_ = "http://127.0.0.1:" + std::to_string(port);
}

SiteController::~SiteController() {
    server_->stop();
    listener_.join();
}

int runCapture(const std::string& url, const std::string& token, const std::string& out,
               std::string& errors, const std::vector<std::string>& extra) {
    std::vector<std::string> arguments = {"--capture", url, "--token", token, "--out", out};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    ChildProcess capture(controllerSimProgram(), arguments);
    const int status = capture.wait();
    errors = capture.errors();
    return status;
}

}  // namespace ocsm_test
