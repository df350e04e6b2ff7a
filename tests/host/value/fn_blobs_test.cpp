#include "host/value/functions.h"

#include "host/value/encoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

using namespace hearth;

TEST(Blobs, TextToBytesInEachEncoding)
{
    struct Case {
        const char* text;
        Encoding encoding;
        Blob bytes;
    };
    const Case cases[] = {
        {"abc", Encoding::Utf16LE, {'a', 0, 'b', 0, 'c', 0}},
        {"abc", Encoding::Utf16BE, {0, 'a', 0, 'b', 0, 'c'}},
        {"abc", Encoding::Utf8, {'a', 'b', 'c'}},
        {"abc", Encoding::Ansi, {'a', 'b', 'c'}},
        {"宋体", Encoding::Utf16LE, {0x8B, 0x5B, 0x53, 0x4F}},
        {"宋体", Encoding::Utf8, {0xE5, 0xAE, 0x8B, 0xE4, 0xBD, 0x93}},
        {"宋体", Encoding::Ansi, {0xCB, 0xCE, 0xCC, 0xE5}}, // GBK
        {"😀", Encoding::Utf16LE, {0x3D, 0xD8, 0x00, 0xDE}}, // a surrogate pair
        {"a😀b", Encoding::Ansi, {'a', '?', 'b'}},           // GBK lacks it
        {"", Encoding::Utf16LE, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fn::to_blob(c.text, c.encoding), c.bytes) << c.text << " " << int(c.encoding);
        EXPECT_EQ(fn::to_blob(Value(c.text), c.encoding), Value(c.bytes)) << c.text;
        if (std::string_view(c.text) != "a😀b") {
            EXPECT_EQ(fn::to_string_from_blob(Value(c.bytes), c.encoding), Value(c.text)) << c.text;
        }
    }
    EXPECT_EQ(fn::len(Value(fn::to_blob("abc"))), Value(6)); // Blob("abc") is 6 bytes by default
}

// GBK encoding remembers each character's bytes; the result must stay what iconv gives for
// the whole text, for characters seen once, repeated, single-byte and unmappable alike.
TEST(Blobs, GbkMatchesIconvOverMixedText)
{
    std::string text;
    for (int i = 0; i < 50; ++i)
        text += "居民" + std::to_string(i) + "\t张三·李四—「社区」№\r\n";
    iconv_t cd = iconv_open("GBK", "UTF-8");
    ASSERT_NE(cd, iconv_t(-1));
    std::string expected(text.size() * 2, '\0');
    char* in = text.data();
    std::size_t in_left = text.size();
    char* out = expected.data();
    std::size_t out_left = expected.size();
    ASSERT_NE(iconv(cd, &in, &in_left, &out, &out_left), std::size_t(-1));
    iconv_close(cd);
    expected.resize(expected.size() - out_left);
    const Blob bytes = encode_text(text, Encoding::Ansi);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    // A byte that is not UTF-8 and a character outside GBK (here and beyond 16 bits) each
    // become one '?'.
    EXPECT_EQ(encode_text("a\xFF"
                          "b😀ｱ",
                          Encoding::Ansi),
              (Blob {'a', '?', 'b', '?', '?'}));
    // ASCII runs of every length around a character, wherever it falls in an eight-byte word.
    for (std::size_t n = 0; n < 18; ++n) {
        const std::string run(n, 'x');
        const Blob encoded = encode_text(run + "张" + run + "\xFF", Encoding::Ansi);
        EXPECT_EQ(std::string(encoded.begin(), encoded.end()), run + "\xD5\xC5" + run + "?") << n;
    }
}

TEST(Blobs, DecodingBadBytesNeverFails)
{
    EXPECT_EQ(fn::to_string_from_blob(Value(Blob {'a', 0, 'b'})), Value("a")); // odd trailing byte dropped
    EXPECT_EQ(fn::to_string_from_blob(Value(Blob {0x00, 0xD8, 'a', 0})),
              Value("\xEF\xBF\xBD"
                    "a"));                                                                       // lone surrogate
    EXPECT_EQ(fn::to_string_from_blob(Value(Blob {'h', 0, 'i', 0, 0, 0, 'x', 0})), Value("hi")); // stops at NUL
    EXPECT_EQ(fn::to_string_from_blob(Value(Blob {'a', 0xFF, 'b'}), Encoding::Utf8),
              Value("a\xEF\xBF\xBD"
                    "b"));
    EXPECT_EQ(fn::to_string_from_blob(Value(Blob {'a', 0x81}), Encoding::Ansi), Value("a\xEF\xBF\xBD"));
    EXPECT_EQ(fn::to_string_from_blob(Value::null_of(Type::Blob)), Value::null_of(Type::String));
    EXPECT_EQ(fn::to_blob(Value::null_of(Type::String)), Value::null_of(Type::Blob));
}

TEST(Blobs, BlobMidTakesBytes)
{
    const Blob bytes {1, 2, 3, 4, 5};
    constexpr long omitted = -999;
    struct Case {
        long start;
        long length;
        Blob expected;
    };
    const Case cases[] = {
        {2, 3, {2, 3, 4}}, {4, 10, {4, 5}}, // past the end: the rest
        {5, omitted, {5}}, {1, omitted, {1, 2, 3, 4, 5}},
        {6, 1, {}}, // start past the end
        {0, 2, {}},        {2, 0, {}},
        {2, -1, {}},
    };
    for (const auto& c : cases) {
        Value got = c.length == omitted
            ? fn::blob_mid(Value(bytes), Value(std::int32_t(c.start)))
            : fn::blob_mid(Value(bytes), Value(std::int32_t(c.start)), Value(std::int32_t(c.length)));
        EXPECT_EQ(got, Value(c.expected)) << c.start << " " << c.length;
        if (c.length != omitted) {
            EXPECT_EQ(fn::blob_mid(bytes, c.start, c.length), c.expected);
        }
    }
    EXPECT_EQ(fn::blob_mid(Value::null_of(Type::Blob), Value(1)), Value::null_of(Type::Blob));
    EXPECT_EQ(fn::blob_mid(Value(bytes), Value(1), Value::null_of(Type::Long)), Value::null_of(Type::Blob));
}

TEST(Blobs, RgbPacksComponents)
{
    EXPECT_EQ(fn::rgb(255, 0, 0), 255);
    EXPECT_EQ(fn::rgb(0, 255, 0), 65280);
    EXPECT_EQ(fn::rgb(0, 0, 255), 16711680);
    EXPECT_EQ(fn::rgb(255, 255, 255), 16777215);
    EXPECT_EQ(fn::rgb(256, 0, 0), -1);
    EXPECT_EQ(fn::rgb(0, -1, 0), -1);
    EXPECT_EQ(fn::rgb(Value(192), Value(192), Value(192)), Value(12632256));
    EXPECT_EQ(fn::rgb(Value(1), Value::null_of(Type::Long), Value(1)), Value::null_of(Type::Long));
}
