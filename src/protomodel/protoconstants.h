// Paths and HTTP words of the controller's REST service used by the colour space component.
#pragma once

namespace LCD {
namespace Proto {
namespace Constants {

inline constexpr char GETSCREENLISTDETAIL[] = "/orvex/v1/screen/list-detail";
inline constexpr char GETINTERFACELISTDETAIL[] = "/orvex/v1/interface/list-detail";
inline constexpr char PUTSCREENCOLORSPACE[] = "/orvex/v1/screen/color-space";

inline constexpr char HTTPGETREQUEST[] = "GET";
inline constexpr char HTTPPUTREQUEST[] = "PUT";

inline constexpr char CONTENTTYPE[] = "application/json";

}  // namespace Constants
}  // namespace Proto
}  // namespace LCD
