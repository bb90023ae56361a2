// The component's message identifiers and payload sizes: what the host exchanges with it.
// Hosts and tools that talk to the component include this header rather than restating them.
#ifndef OCSM_OUTPUTCOLORSPACEMODEL_MESSAGEIDS_H
#define OCSM_OUTPUTCOLORSPACEMODEL_MESSAGEIDS_H

namespace ColorSpace {

// Message identifiers this component subscribes to (compared as whole values).
constexpr unsigned int kGetRegularScreenInterfaceInfoId = 0xFC050201u;  // command
constexpr unsigned int kSetColorSpaceId = 0xFC050205u;                  // command and event
constexpr unsigned int kGetColorSpaceId = 0xFC050206u;                  // event
constexpr unsigned int kAutoReportId = 0x00071107u;  // the controller's auto-report event

// Identifiers of the events this component emits.
constexpr unsigned int kSetColorSpaceResultId = 0xFC070203u;
constexpr unsigned int kColorSpaceId = 0xFC070204u;
constexpr unsigned int kColorSpaceChangedId = 0xFC080204u;

// Payloads: one LCD::ProtoModel::Screen::s_ScreenColorSpace in and out (set, get), one
// LCD::ProtoModel::Interface::s_InterfaceSourceInfo as the interface info reply, one byte for
// the set result, and for the relayed changes the list object itself (a std::vector of
// s_ScreenColorSpace: three 64-bit addresses, valid only while the event is delivered).
constexpr int kColorSpacePayloadSize = 8;
constexpr int kInterfaceInfoPayloadSize = 108;
constexpr int kSetResultPayloadSize = 1;
constexpr int kListObjectSize = 24;

}  // namespace ColorSpace

#endif  // OCSM_OUTPUTCOLORSPACEMODEL_MESSAGEIDS_H
