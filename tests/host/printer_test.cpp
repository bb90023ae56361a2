#include "tvkhost/printer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tvkhost::decodePayload;
using tvkhost::Delivery;

void putInt32(unsigned char* at, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(bits >> (8 * i));
}

std::string render(const Delivery& delivery, bool json) {
    std::ostringstream out;
    tvkhost::Printer printer(out, json);
    printer.delivery(delivery);
    return out.str();
}

Delivery event(unsigned int id, const unsigned char* data, int size, bool fromComponent = true) {
    return Delivery{
        Delivery::Type::Event, static_cast<int>(id), "outputcolorspacemodel", data, size, false,
        fromComponent};
}

TEST(PayloadDecoding, ColorSpaceEventIsTwoLittleEndianInt32) {
    unsigned char payload[8];
    putInt32(payload, 0x01020304);
    putInt32(payload + 4, -2);
    const auto decoded =
        decodePayload(Delivery::Type::Event, static_cast<int>(0xFC070204u), payload, 8, true);
    ASSERT_TRUE(decoded.known);
    ASSERT_EQ(decoded.fields.size(), 2u);
    EXPECT_EQ(decoded.fields[0].name, "screenId");
    EXPECT_EQ(decoded.fields[0].value, "16909060");
    EXPECT_EQ(decoded.fields[1].name, "preset");
    EXPECT_EQ(decoded.fields[1].value, "-2");
}

TEST(PayloadDecoding, WrongSizeOrUnknownIdentifierFallsBackToHex) {
    const unsigned char payload[] = {0x01, 0xAB, 0x00};
    const auto shortColorSpace =
        decodePayload(Delivery::Type::Event, static_cast<int>(0xFC070204u), payload, 3, true);
    EXPECT_FALSE(shortColorSpace.known);
    EXPECT_EQ(shortColorSpace.hex, "01 ab 00");
    const auto unknown = decodePayload(Delivery::Type::Event, 0x1234, payload, 1, true);
    EXPECT_FALSE(unknown.known);
    EXPECT_EQ(unknown.hex, "01");
    // The reply layout belongs to replies only.
    std::vector<unsigned char> record(108, 0);
    EXPECT_FALSE(decodePayload(Delivery::Type::Event, static_cast<int>(0xFC050201u), record.data(),
                               108, true)
                     .known);
}

TEST(PayloadDecoding, InterfaceInfoReplyFieldsByOffset) {
    std::vector<unsigned char> record(108, 0xEE);
    putInt32(&record[0], 7);
    putInt32(&record[12], 1);
    putInt32(&record[16], 2);
    putInt32(&record[20], 3);
    putInt32(&record[24], 4);
    putInt32(&record[32], 5);
    std::memset(&record[41], 0, 64);
    std::memcpy(&record[41], "HDMI \"1\"", 8);
    const auto decoded = decodePayload(Delivery::Type::Reply, static_cast<int>(0xFC050201u),
                                       record.data(), 108, true);
    ASSERT_TRUE(decoded.known);
    std::string line;
    for (const auto& field : decoded.fields)
        line += field.name + "=" + field.value + ";";
    EXPECT_EQ(line,
              "interfaceId=7;slotId=1;connectorId=2;capacity=3;connectorType=4;workMode=5;"
              "name=HDMI \"1\";");
    EXPECT_TRUE(decoded.fields.back().text);

    // A name without terminator stops at the end of its field.
    std::memset(&record[41], 'x', 64);
    const auto unterminated = decodePayload(Delivery::Type::Reply, static_cast<int>(0xFC050201u),
                                            record.data(), 108, true);
    ASSERT_TRUE(unterminated.known);
    EXPECT_EQ(unterminated.fields.back().value, std::string(64, 'x'));
}

struct ScreenColorSpace {
    std::int32_t screenId;
    std::int32_t preset;
};

TEST(PayloadDecoding, ColorSpaceListIsReadThroughTheVectorItPointsAt) {
    std::vector<ScreenColorSpace> list = {{1, 2}, {3, -4}};
    list.reserve(5);
    static_assert(sizeof(list) == 24, "three addresses");
    const auto* object = reinterpret_cast<const unsigned char*>(&list);
    const auto decoded =
        decodePayload(Delivery::Type::Event, static_cast<int>(0xFC080204u), object, 24, true);
    ASSERT_TRUE(decoded.known);
    ASSERT_TRUE(decoded.list);
    ASSERT_EQ(decoded.entries.size(), 2u);
    EXPECT_EQ(decoded.entries[1][0].value, "3");
    EXPECT_EQ(decoded.entries[1][1].value, "-4");

    const std::vector<ScreenColorSpace> empty;
    const auto none = decodePayload(Delivery::Type::Event, static_cast<int>(0xFC080204u),
                                    reinterpret_cast<const unsigned char*>(&empty), 24, true);
    EXPECT_TRUE(none.known);
    EXPECT_TRUE(none.entries.empty());
}

TEST(PayloadDecoding, ListAddressesAreNotFollowedFromOutsideOrWhenInconsistent) {
    unsigned char bogus[24];
    std::memset(bogus, 0x41, sizeof bogus);
    EXPECT_FALSE(
        decodePayload(Delivery::Type::Event, static_cast<int>(0xFC080204u), bogus, 24, false)
            .known);
    // end before begin
    const unsigned char* pointers[3] = {bogus + 16, bogus + 8, bogus + 24};
    EXPECT_FALSE(decodePayload(Delivery::Type::Event, static_cast<int>(0xFC080204u),
                               reinterpret_cast<const unsigned char*>(pointers), 24, true)
                     .known);
    // not a whole number of entries
    const unsigned char* ragged[3] = {bogus, bogus + 5, bogus + 8};
    EXPECT_FALSE(decodePayload(Delivery::Type::Event, static_cast<int>(0xFC080204u),
                               reinterpret_cast<const unsigned char*>(ragged), 24, true)
                     .known);
}

TEST(Printing, TextLines) {
    unsigned char payload[8];
    putInt32(payload, 3);
    putInt32(payload + 4, 2);
    EXPECT_EQ(render(event(0xFC070204u, payload, 8), false),
              "event 0xFC070204 from outputcolorspacemodel: screenId=3 preset=2\n");
    const unsigned char ok = 1;
    Delivery posted = event(0xFC070203u, &ok, 1);
    posted.posted = true;
    EXPECT_EQ(render(posted, false),
              "event 0xFC070203 from outputcolorspacemodel (posted): ok=1\n");
    EXPECT_EQ(render(event(0x12u, payload, 2), false),
              "event 0x00000012 from outputcolorspacemodel: 2 bytes 03 00\n");
}

TEST(Printing, JsonLines) {
    unsigned char payload[8];
    putInt32(payload, 3);
    putInt32(payload + 4, 2);
    EXPECT_EQ(render(event(0xFC070204u, payload, 8), true),
              "{\"kind\":\"event\",\"id\":\"0xFC070204\",\"sender\":\"outputcolorspacemodel\","
              "\"posted\":false,\"size\":8,\"data\":{\"screenId\":3,\"preset\":2}}\n");
    std::vector<ScreenColorSpace> list = {{5, 6}};
    EXPECT_EQ(render(event(0xFC080204u, reinterpret_cast<const unsigned char*>(&list), 24), true),
              "{\"kind\":\"event\",\"id\":\"0xFC080204\",\"sender\":\"outputcolorspacemodel\","
              "\"posted\":false,\"size\":24,\"data\":[{\"screenId\":5,\"preset\":6}]}\n");
    Delivery reply{Delivery::Type::Reply, 1, "a\"b", nullptr, 0, false, false};
    EXPECT_EQ(render(reply, true),
              "{\"kind\":\"reply\",\"id\":\"0x00000001\",\"sender\":\"a\\\"b\",\"size\":0,"
              "\"hex\":\"\"}\n");
}

TEST(Printing, JsonStringEscapesControlCharacters) {
    EXPECT_EQ(tvkhost::jsonString("{\"end\":0 }\r\n"), "\"{\\\"end\\\":0 }\\r\\n\"");
    EXPECT_EQ(tvkhost::jsonString(std::string("\x01\\", 2)), "\"\\u0001\\\\\"");
}

}  // namespace
