// A site's controller for capture tests: the answers of controller/sites.tsv on a loopback port,
// each with its status, Content-Type, framing and body bytes, as a real controller sends them.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace ocsm_test {

struct SiteAnswer {
    std::string target;  // the request's path and URL keys, as it names them
    int status = 200;
    std::string contentType;
    bool chunked = false;  // else Content-Length
    std::string body;
    std::vector<std::string> warnings;  // what controller-sim --capture says about it
};

// The sites of controller/sites.tsv by name, each with its answers in the table's order.
std::map<std::string, std::vector<SiteAnswer>> readSites();

class SiteController {
public:
    // Serves the answers on a free loopback port; any other request gets 404.
    explicit SiteController(std::vector<SiteAnswer> answers);
    ~SiteController();
    SiteController(const SiteController&) = delete;
    SiteController& operator=(const SiteController&) = delete;

    const std::string& url() const { return url_; }  // http://127.0.0.1:PORT

private:
    const std::vector<SiteAnswer> answers_;
    std::unique_ptr<httplib::Server> server_;
    std::thread listener_;
    std::string url_;
};

// Runs controller-sim --capture URL --token TOKEN --out FILE and the extra arguments; its exit
// status, and its standard error in `errors`.
int runCapture(const std::string& url, const std::string& token, const std::string& out,
               std::string& errors, const std::vector<std::string>& extra = {});

}  // namespace ocsm_test
