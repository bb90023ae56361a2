// Reads the vtable slot a pointer to a virtual member function stands for,
// from its Itanium C++ ABI representation.
#ifndef OCSM_TESTS_FRAME_SLOTLAYOUT_H
#define OCSM_TESTS_FRAME_SLOTLAYOUT_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ocsm_test {

// -1 when the member function is not virtual.
template <class MemberFunction>
long vtableSlot(MemberFunction member) {
    struct Representation {
        std::uintptr_t pointer;
        std::ptrdiff_t adjustment;
    };
    static_assert(sizeof(MemberFunction) == sizeof(Representation),
                  "Itanium member function pointer");
    Representation bits;
    std::memcpy(&bits, &member, sizeof bits);
#if defined(__aarch64__) || defined(__arm__)
    // ARM keeps the virtual flag in the adjustment and the plain offset in the pointer.
    if ((bits.adjustment & 1) == 0) return -1;
    return static_cast<long>(bits.pointer / sizeof(void*));
#else
    // Elsewhere the pointer holds 1 plus the offset of the slot in bytes.
    if ((bits.pointer & 1) == 0) return -1;
    return static_cast<long>((bits.pointer - 1) / sizeof(void*));
#endif
}

// The vtable of a polymorphic object.
template <class Interface>
void* const* vtableOf(Interface* object) {
    return *reinterpret_cast<void* const* const*>(object);
}

}  // namespace ocsm_test

#endif  // OCSM_TESTS_FRAME_SLOTLAYOUT_H
