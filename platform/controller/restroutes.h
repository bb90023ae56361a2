// The controller's REST routes that controller-sim serves and that --capture asks a controller
// for, written out here: controller-sim shares no code with the plugin it stands beside.
#pragma once

namespace ControllerSim {

// GET, with the optional keys screenType and screenId: the screen list-detail answer.
inline constexpr char kScreenListPath[] = "/orvex/v1/screen/list-detail";
// GET, with the optional key interfaceId: the interface list-detail answer.
inline constexpr char kInterfaceListPath[] = "/orvex/v1/interface/list-detail";
// PUT, a JSON array of {"screenId":N,"colorSpace":{"preset":N}}: sets screens' colour spaces.
inline constexpr char kColorSpacePath[] = "/orvex/v1/screen/color-space";

}  // namespace ControllerSim
