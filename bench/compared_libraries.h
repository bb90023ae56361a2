// The general-purpose JSON libraries the benchmarks compare lcdjson with, each one only when it
// is installed (OCSM_HAVE_RAPIDJSON, OCSM_HAVE_SIMDJSON, OCSM_HAVE_NLOHMANN), and the answer
// records that the component decodes.
#pragma once

#include "json/lcdjson.h"
#include "protomodel/protomodel.h"

#ifdef OCSM_HAVE_RAPIDJSON
#include <rapidjson/document.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#define OCSM_IF_RAPIDJSON(x) x
#else
#define OCSM_IF_RAPIDJSON(x) nullptr
#endif

#ifdef OCSM_HAVE_SIMDJSON
#include <simdjson.h>
#define OCSM_IF_SIMDJSON(x) x
#else
#define OCSM_IF_SIMDJSON(x) nullptr
#endif

#ifdef OCSM_HAVE_NLOHMANN
#include <nlohmann/json.hpp>
#define OCSM_IF_NLOHMANN(x) x
#else
#define OCSM_IF_NLOHMANN(x) nullptr
#endif

namespace bench {

using ScreenAnswer = LCD::ProtoModel::s_response<LCD::ProtoModel::Screen::s_ScreenDetail>;
using InterfaceAnswer =
    LCD::ProtoModel::s_response<LCD::ProtoModel::Interface::s_InterfaceDetailInfo>;

}  // namespace bench
