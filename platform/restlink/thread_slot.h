// Per-thread home of the objects the library hands out.
//
// Keeping exactly one request and one response per thread, recycled by the
// next createRequest, bounds the library's memory by the number of threads
// instead of the number of exchanges.
#ifndef RESTLINK_THREAD_SLOT_H
#define RESTLINK_THREAD_SLOT_H

#include "request.h"
#include "response.h"
#include "transport.h"

namespace restlink {

struct ThreadSlot {
    Request request;
    Response response;
    Transport transport;
};

// The calling thread's slot, created on first use and destroyed (connection
// closed, objects freed) when the thread ends.
ThreadSlot& threadSlot();

}  // namespace restlink

#endif  // RESTLINK_THREAD_SLOT_H
