// string_stream: the writer's buffer grows by whole KiB to the smallest fitting size.
#include <gtest/gtest.h>

#include <string>

#include "json/lcdjson.h"

namespace {

TEST(StringStream, GrowsByWholeKibibytesNotByDoubling) {
    lcdjson::string_stream stream;
    std::string capacities = std::to_string(stream.capacity()) + " ";
    for (int i = 0; i < 3000; ++i) {
        stream.put(static_cast<char>('a' + i % 26));
        if (i == 1023 || i == 1024 || i == 2999)
            capacities += std::to_string(stream.capacity()) + " ";
    }
    EXPECT_EQ(capacities, "1024 1024 2048 3072 ");
    ASSERT_EQ(3000u, stream.size());
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(static_cast<char>('a' + i % 26), stream.data()[i]) << i;
    // A long string grows to the smallest fitting size: quote, then the run in one piece.
    lcdjson::string_stream fresh;
    lcdjson::lite_write writer(fresh);
    const std::string text(5000, 'z');
    writer.write_str(text.data(), text.size());
    EXPECT_EQ(5120u, fresh.capacity());
    EXPECT_EQ(5002u, fresh.size());
}

}  // namespace
