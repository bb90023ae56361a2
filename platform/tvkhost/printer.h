// Printing what comes back to the host side, and the plugin information, as text or JSON lines.
#ifndef TVKHOST_PRINTER_H
#define TVKHOST_PRINTER_H

#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "host/tvk.h"
#include "tvkhost/host.h"
#include "tvkhost/router.h"

namespace tvkhost {

// "0x%08X", the way people and the JSON lines write message identifiers.
std::string hexId(int id);

// Payloads of the colour space component's messages are printed decoded, any other as hex
// bytes. Safe to call from several threads: a line is written whole.
class Printer {
public:
    Printer(std::ostream& out, bool json) : out_(out), json_(json) {}

    void delivery(const Delivery& delivery);
    void noReply(int id, int status);
    // What the host is about to send: `what` says why (a command name, "auto-report 3").
    void sending(Delivery::Type type, int id, int size, const std::string& what);
    void info(const std::string& path, const PluginInfo& plugin,
              const std::vector<Host::ComponentView>& components);

private:
    void write(const std::string& line);

    std::mutex mutex_;
    std::ostream& out_;
    const bool json_;
};

}  // namespace tvkhost

#endif  // TVKHOST_PRINTER_H
