// The plugin's information record and component table, as the host sees them
// through pluginfo().
#ifndef OCSM_PLUGIN_PLUGIN_H
#define OCSM_PLUGIN_PLUGIN_H

#include "host/tvk.h"

extern PluginInfo pinfo;
extern tvk::ComponentInfo* lcdoutputcolorspacemodelplugin_tvk_componentInfoTable[];

#endif  // OCSM_PLUGIN_PLUGIN_H
