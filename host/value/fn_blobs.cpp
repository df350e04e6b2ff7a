// Blobs and colours: Blob(text, encoding), String(blob, encoding), BlobMid, RGB.

#include "host/value/fn_args.h"
#include "host/value/functions.h"

namespace hearth::fn {

namespace detail {

Blob blob_mid(const Blob& bytes, long start, long length)
{
    // A start below 1 or a length <= 0 gives an empty blob (undocumented).
    if (start < 1 || length <= 0 || std::size_t(start) > bytes.size())
        return {};
    std::size_t begin = std::size_t(start - 1);
    std::size_t count = std::min<std::size_t>(std::size_t(length), bytes.size() - begin);
    return Blob(bytes.begin() + long(begin), bytes.begin() + long(begin + count));
}

} // namespace detail

long rgb(long red, long green, long blue)
{
    // A component outside 0..255 fails with the runtime's -1 (undocumented).
    for (long component : {red, green, blue}) {
        if (component < 0 || component > 255)
            return -1;
    }
    return red + 256 * green + 65536 * blue;
}

Value to_blob(const Value& text, Encoding encoding)
{
    if (text.is_null())
        return Value::null_of(Type::Blob);
    return Value(encode_text(args::text(text, "Blob", 1), encoding));
}

Value to_string_from_blob(const Value& bytes, Encoding encoding)
{
    if (bytes.is_null())
        return Value::null_of(Type::String);
    if (bytes.type() != Type::Blob)
        args::wrong_kind("String", 1, "a blob", bytes);
    return Value(decode_text(bytes.as_blob(), encoding));
}

Value blob_mid(const Value& bytes, const Value& start)
{
    if (args::any_null({&bytes, &start}))
        return Value::null_of(Type::Blob);
    if (bytes.type() != Type::Blob)
        args::wrong_kind("BlobMid", 1, "a blob", bytes);
    return Value(detail::blob_mid(bytes.as_blob(), args::count(start, "BlobMid", 2), std::numeric_limits<long>::max()));
}

Value blob_mid(const Value& bytes, const Value& start, const Value& length)
{
    if (args::any_null({&bytes, &start, &length}))
        return Value::null_of(Type::Blob);
    if (bytes.type() != Type::Blob)
        args::wrong_kind("BlobMid", 1, "a blob", bytes);
    return Value(
        detail::blob_mid(bytes.as_blob(), args::count(start, "BlobMid", 2), args::count(length, "BlobMid", 3)));
}

Value rgb(const Value& red, const Value& green, const Value& blue)
{
    if (args::any_null({&red, &green, &blue}))
        return Value::null_of(Type::Long);
    return Value(
        std::int32_t(rgb(args::count(red, "RGB", 1), args::count(green, "RGB", 2), args::count(blue, "RGB", 3))));
}

} // namespace hearth::fn
