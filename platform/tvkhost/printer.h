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

// One named value of a decoded payload, already formatted.
struct Field {
    std::string name;
    std::string value;  // a number's digits, or the raw text when `text` is set
    bool text = false;
};

// A payload decoded by identifier: named fields, a list of entries, or, for
// identifiers the host does not know (or a size that does not fit), hex bytes.
struct DecodedPayload {
    bool known = false;
    bool list = false;
    std::vector<Field> fields;
    std::vector<std::vector<Field>> entries;
    std::string hex;  // lower-case pairs separated by blanks
};

// `addressesValid` says the payload came from a component in this process, so
// an address it carries may be followed (only while the delivery lasts).
DecodedPayload decodePayload(Delivery::Type type, int id, const unsigned char* data, int size,
                             bool addressesValid);

std::string hexId(int id);                        // "0x%08X"
std::string jsonString(const std::string& text);  // quoted and escaped

// Prints what comes back to the host side, and the plugin information, as
// text or as one JSON object per line. Safe to call from several threads.
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
    bool json_;
};

}  // namespace tvkhost

#endif  // TVKHOST_PRINTER_H
