// One decode of the component per target: OCSM_FUZZ_DECODE names the record the bytes decode
// into (screen, interface, autoreport or putanswer); the checks are those of fuzzcheck.h.
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "fuzzcheck.h"
#include "outputcolorspacemodel/colorspaceanswer.h"
#include "protomodel/protomodel.h"

namespace {

using LCD::ProtoModel::s_response;
using screen = s_response<LCD::ProtoModel::Screen::s_ScreenDetail>;
using interface = s_response<LCD::ProtoModel::Interface::s_InterfaceDetailInfo>;
using autoreport = LCD::AutoReport::LCDAutoReportData;
using putanswer = ColorSpace::s_PutColorSpaceAnswer;

// The auto-report carries the changed screens as a JSON text of its own, decoded next.
template <class Record>
void decode(const std::string& text) {
    Record value{};
    if (!ocsm_fuzz::checked_decode(text, value)) return;
    if constexpr (std::is_same_v<Record, autoreport>) {
        std::vector<LCD::ProtoModel::Screen::s_ScreenColorSpace> changed;
        ocsm_fuzz::checked_decode(value.body, changed);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    decode<OCSM_FUZZ_DECODE>(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
