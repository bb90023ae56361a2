// One warning line in the host's log. The context is built explicitly so that it survives Qt
// builds that drop the message context in release mode.
#ifndef OCSM_MESSAGEHANDLER_WARNING_H
#define OCSM_MESSAGEHANDLER_WARNING_H

#include <QDebug>
#include <QMessageLogger>

// A warning attributed to a given line and function, for helpers that write on a caller's behalf.
#define OCSM_WARNING_AT(line, function) \
    QMessageLogger("outputcolorspacemodel", line, function, "default").warning()
#define OCSM_WARNING() OCSM_WARNING_AT(__LINE__, Q_FUNC_INFO)

#endif  // OCSM_MESSAGEHANDLER_WARNING_H
