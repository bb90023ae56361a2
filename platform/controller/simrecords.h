// The simulator's own JSON documents, bound like the device records.
#pragma once

#include <cstdint>
#include <string>

#include "protomodel/protomodel.h"

namespace ControllerSim {

// A fixture file: one screen list-detail answer and one interface list-detail answer.
struct s_Fixture {
    LCD::ProtoModel::s_response<LCD::ProtoModel::Screen::s_ScreenDetail> screens;
    LCD::ProtoModel::s_response<LCD::ProtoModel::Interface::s_InterfaceDetailInfo> interfaces;
};
LCDJSON_RECORD(s_Fixture, screens, interfaces)

// An envelope without data; the service appends the empty data object itself, because a record
// needs at least one bound member.
struct s_Status {
    int32_t code = 0;
    std::string message;
};
LCDJSON_RECORD(s_Status, code, message)

// The latest auto-report sequence number, and the number a queued report was stored under.
struct s_Seq {
    uint32_t seq = 0;
};
LCDJSON_RECORD(s_Seq, seq)

}  // namespace ControllerSim
