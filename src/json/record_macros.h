// How a record type declares its JSON binding, right after its definition, in its own
// namespace:
//
//     struct s_RGB { int32_t R = 50; int32_t G = 50; int32_t B = 50; };
//     LCDJSON_RECORD(s_RGB, R, G, B)
//
//     template <class T> struct s_response { int32_t code = 0; std::string message; T data; };
//     LCDJSON_RECORD_TEMPLATE(s_response, code, message, data)
//
// The member list, stringified, is the record's field list: the keys it reads and writes, in
// that order. The macros define three inline functions that the codec finds by argument-dependent
// lookup: the name-list text, a tuple of member pointers and the members' offsets, in the same
// order. All are constant expressions, so the decoder's member table is made at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <tuple>

#define LCDJSON_PP_CAT_(a, b) a##b
#define LCDJSON_PP_CAT(a, b) LCDJSON_PP_CAT_(a, b)
#define LCDJSON_PP_COUNT_(_1, _2, _3, _4, _5, _6, _7, _8, _9, _10, _11, _12, _13, _14, _15, _16, \
                          _17, _18, _19, _20, _21, _22, _23, _24, _25, _26, _27, _28, _29, _30,  \
                          _31, _32, N, ...)                                                      \
    N
#define LCDJSON_PP_COUNT(...)                                                                      \
    LCDJSON_PP_COUNT_(__VA_ARGS__, 32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, \
                      16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0)
#define LCDJSON_PP_MAP_1(m, d, x) m(d, x)
#define LCDJSON_PP_MAP_2(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_1(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_3(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_2(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_4(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_3(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_5(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_4(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_6(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_5(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_7(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_6(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_8(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_7(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_9(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_8(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_10(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_9(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_11(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_10(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_12(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_11(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_13(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_12(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_14(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_13(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_15(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_14(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_16(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_15(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_17(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_16(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_18(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_17(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_19(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_18(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_20(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_19(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_21(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_20(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_22(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_21(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_23(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_22(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_24(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_23(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_25(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_24(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_26(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_25(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_27(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_26(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_28(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_27(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_29(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_28(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_30(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_29(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_31(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_30(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP_32(m, d, x, ...) m(d, x), LCDJSON_PP_MAP_31(m, d, __VA_ARGS__)
#define LCDJSON_PP_MAP(m, d, ...) \
    LCDJSON_PP_CAT(LCDJSON_PP_MAP_, LCDJSON_PP_COUNT(__VA_ARGS__))(m, d, __VA_ARGS__)
#define LCDJSON_PP_MEMBER_POINTER(type, member) &type::member
#define LCDJSON_PP_MEMBER_OFFSET(type, member) offsetof(type, member)

// Up to 32 members.
#define LCDJSON_RECORD(TYPE, ...)                                                               \
    inline constexpr const char* lcdjson_name_list(const TYPE*) {                               \
        return #__VA_ARGS__;                                                                    \
    }                                                                                           \
    inline constexpr auto lcdjson_members(const TYPE*) {                                        \
        return ::std::make_tuple(LCDJSON_PP_MAP(LCDJSON_PP_MEMBER_POINTER, TYPE, __VA_ARGS__)); \
    }                                                                                           \
    inline constexpr auto lcdjson_offsets(const TYPE*) {                                        \
        return ::std::array<::std::size_t, LCDJSON_PP_COUNT(__VA_ARGS__)>{                      \
            LCDJSON_PP_MAP(LCDJSON_PP_MEMBER_OFFSET, TYPE, __VA_ARGS__)};                       \
    }

// For class templates of one type parameter.
#define LCDJSON_RECORD_TEMPLATE(TEMPLATE, ...)                                           \
    template <class LcdjsonT>                                                            \
    inline constexpr const char* lcdjson_name_list(const TEMPLATE<LcdjsonT>*) {          \
        return #__VA_ARGS__;                                                             \
    }                                                                                    \
    template <class LcdjsonT>                                                            \
    inline constexpr auto lcdjson_members(const TEMPLATE<LcdjsonT>*) {                   \
        return ::std::make_tuple(                                                        \
            LCDJSON_PP_MAP(LCDJSON_PP_MEMBER_POINTER, TEMPLATE<LcdjsonT>, __VA_ARGS__)); \
    }                                                                                    \
    template <class LcdjsonT>                                                            \
    inline constexpr auto lcdjson_offsets(const TEMPLATE<LcdjsonT>*) {                   \
        return ::std::array<::std::size_t, LCDJSON_PP_COUNT(__VA_ARGS__)>{               \
            LCDJSON_PP_MAP(LCDJSON_PP_MEMBER_OFFSET, TEMPLATE<LcdjsonT>, __VA_ARGS__)};  \
    }
