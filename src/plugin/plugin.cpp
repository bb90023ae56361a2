// The plugin's information record and its component table, which pluginfo() hands the host.
#include "plugin/plugin.h"

#include "outputcolorspacemodel/outputcolorspacemodel.h"

// Defined before the table takes its address, as an explicit specialisation must be.
template <>
tvk::ComponentInfo tvk::ComponentTmpl<ColorSpace::OutputColorSpaceModel>::componentInfo{
    &tvk::ComponentTmpl<ColorSpace::OutputColorSpaceModel>::creator,
    &tvk::ComponentTmpl<ColorSpace::OutputColorSpaceModel>::deletor,
    &tvk::ComponentTmpl<ColorSpace::OutputColorSpaceModel>::getMessageHandler,
    "orvex.lcd.model.output.colorspace",
    "{\"end\":0 }\r\n",
};

tvk::ComponentInfo* lcdoutputcolorspacemodelplugin_tvk_componentInfoTable[] = {
    &tvk::ComponentTmpl<ColorSpace::OutputColorSpaceModel>::componentInfo,
    nullptr,
};

PluginInfo pinfo = {
    "0.1",   lcdoutputcolorspacemodelplugin_tvk_componentInfoTable,        "outputcolorspacemodel",
    "0.1.0", "{\"desc\":\"output color space model plugin!\",\"end\":0 }",
};

PluginInfo* pluginfo() {
    return &pinfo;
}

// The host calls this before it creates components: their constructors look
// the host's services up through the stored handle.
void pluginit(tvk::IHost* host) {
    tvk::api::get().host = host;
}
