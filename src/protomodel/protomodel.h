// Every record of the device data model and the REST service's constants.
#pragma once

#include "protomodel/autoreportrecords.h"
#include "protomodel/commonrecords.h"
#include "protomodel/interfacerecords.h"
#include "protomodel/protoconstants.h"
#include "protomodel/screenrecords.h"
