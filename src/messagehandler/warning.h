// One warning line in the host's log. The context is built explicitly so that
// it survives Qt builds that drop the message context in release mode.
#ifndef OCSM_MESSAGEHANDLER_WARNING_H
#define OCSM_MESSAGEHANDLER_WARNING_H

#include <QDebug>
#include <QMessageLogger>

#define OCSM_WARNING() \
    QMessageLogger("outputcolorspacemodel", __LINE__, Q_FUNC_INFO, "default").warning()

#endif  // OCSM_MESSAGEHANDLER_WARNING_H
