// Each thread's request, response and connection.
#include "thread_slot.h"

namespace restlink {

ThreadSlot& threadSlot() {
    thread_local ThreadSlot slot;
    return slot;
}

}  // namespace restlink
