// The output colour space component: its handlers and the controller queries behind them.
#ifndef OCSM_OUTPUTCOLORSPACEMODEL_OUTPUTCOLORSPACEMODEL_H
#define OCSM_OUTPUTCOLORSPACEMODEL_OUTPUTCOLORSPACEMODEL_H

#include "host/tvk.h"
#include "messagehandler/messagehandler.h"
#include "outputcolorspacemodel/messageids.h"
#include "protomodel/protomodel.h"

namespace ColorSpace {

// Looks after the output colour space of the controller's regular screens.
// Keeps no device state: every message is answered from a fresh REST exchange.
class OutputColorSpaceModel : public LCD::Message::MessageHandler {
public:
    OutputColorSpaceModel();
    ~OutputColorSpaceModel() override;

    void onInit() override;

    tvk::IMessage* getRegularScreenInterfaceInfo(const tvk::IMessage* message);
    tvk::IMessage* setColorSpace(const tvk::IMessage* message);
    tvk::IMessage* getColorSpace(const tvk::IMessage* message);
    tvk::IMessage* changeColorSpace(const tvk::IMessage* message);

    // Reads the screen list from the controller; either filter may be null to
    // leave its key out. On failure `detail` is left exactly as it was.
    bool getScreenDetail(LCD::ProtoModel::Screen::s_ScreenDetail& detail, int* screenId,
                         int* screenType);
    // Fills the fields of `info` that describe interface `interfaceId`, when the
    // controller lists exactly that one interface. On failure `info` is untouched.
    bool getScreenInterfaceInfo(LCD::ProtoModel::Interface::s_InterfaceSourceInfo& info,
                                int interfaceId);
};

}  // namespace ColorSpace

#endif  // OCSM_OUTPUTCOLORSPACEMODEL_OUTPUTCOLORSPACEMODEL_H
