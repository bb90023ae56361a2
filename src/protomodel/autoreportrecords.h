// Records of the controller's auto-report text. The only records with unsigned members.
#pragma once

#include <cstdint>
#include <string>

#include "json/lcdjson.h"

namespace LCD {
namespace AutoReport {

// The report's header. ErrorCode 0 means the body is usable.
struct AutoReportTLVDataMessage {
    uint32_t CommandCode = 0;
    uint16_t ErrorCode = 0;
    uint16_t UserDataLength = 0;
};
LCDJSON_RECORD(AutoReportTLVDataMessage, CommandCode, ErrorCode, UserDataLength)

// One auto-report. body is itself a JSON text, carried as a JSON string.
struct LCDAutoReportData {
    std::string source;
    uint32_t seq = 0;
    std::string sn;
    AutoReportTLVDataMessage tl;
    std::string body;
};
LCDJSON_RECORD(LCDAutoReportData, source, seq, sn, tl, body)

}  // namespace AutoReport
}  // namespace LCD
