// The component's records as the benchmarks name them, and lcdjson's own work on them: the typed
// decode each peer is measured against, and the encode texts that show two decodes equal.
#pragma once

#include <string>
#include <vector>

#include "json/lcdjson.h"
#include "protomodel/protomodel.h"

namespace bench {

using ScreenAnswer = LCD::ProtoModel::s_response<LCD::ProtoModel::Screen::s_ScreenDetail>;
using InterfaceAnswer =
    LCD::ProtoModel::s_response<LCD::ProtoModel::Interface::s_InterfaceDetailInfo>;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using ColorSpaceList = std::vector<s_ScreenColorSpace>;

// What the auto-report message decodes to: the report, then the list in its body.
struct ReportRecords {
    LCD::AutoReport::LCDAutoReportData report;
    ColorSpaceList changed;
};

// lcdjson's decode, as the component calls it.
template <class Records>
bool lcdjson_decode(const std::string& text, Records& records) {
    std::string error;
    return LCD::ProtoModel::decode(text, records, error);
}
inline bool lcdjson_decode(const std::string& text, ReportRecords& records) {
    std::string error;
    return LCD::ProtoModel::decode(text, records.report, error) &&
           LCD::ProtoModel::decode(records.report.body, records.changed, error);
}

// The records as lcdjson's encode writes them: equal texts, equal records.
template <class Records>
std::string encode_text(const Records& records) {
    std::string text;
    LCD::ProtoModel::encode(text, records);
    return text;
}
inline std::string encode_text(const ReportRecords& records) {
    return encode_text(records.report) + "\n" + encode_text(records.changed);
}

}  // namespace bench
