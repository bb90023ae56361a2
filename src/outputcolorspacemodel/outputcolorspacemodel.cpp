#include "outputcolorspacemodel/outputcolorspacemodel.h"

#include <functional>

namespace ColorSpace {

namespace {

int asId(unsigned int id) {
    return static_cast<int>(id);
}

}  // namespace

OutputColorSpaceModel::OutputColorSpaceModel() {
    name = "outputcolorspacemodel";
}

OutputColorSpaceModel::~OutputColorSpaceModel() = default;

void OutputColorSpaceModel::onInit() {
    using std::placeholders::_1;
    registerCommand(asId(kGetRegularScreenInterfaceInfoId),
                    std::bind(&OutputColorSpaceModel::getRegularScreenInterfaceInfo, this, _1));
    registerEvent(asId(kSetColorSpaceId),
                  std::bind(&OutputColorSpaceModel::setColorSpace, this, _1));
    registerCommand(asId(kSetColorSpaceId),
                    std::bind(&OutputColorSpaceModel::setColorSpace, this, _1));
    registerEvent(asId(kGetColorSpaceId),
                  std::bind(&OutputColorSpaceModel::getColorSpace, this, _1));
    registerEvent(asId(kAutoReportId),
                  std::bind(&OutputColorSpaceModel::changeColorSpace, this, _1));
}

// The handler bodies come with the REST queries.
tvk::IMessage* OutputColorSpaceModel::getRegularScreenInterfaceInfo(const tvk::IMessage*) {
    return nullptr;
}

tvk::IMessage* OutputColorSpaceModel::setColorSpace(const tvk::IMessage*) {
    return nullptr;
}

tvk::IMessage* OutputColorSpaceModel::getColorSpace(const tvk::IMessage*) {
    return nullptr;
}

tvk::IMessage* OutputColorSpaceModel::changeColorSpace(const tvk::IMessage*) {
    return nullptr;
}

}  // namespace ColorSpace
