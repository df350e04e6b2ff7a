#pragma once
// A compound file (the container of Office 97-2003 documents, version 3 with 512-byte
// sectors) holding one stream under its root storage.

#include "host/value/result.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace hearth::excel {

// Receives the file's bytes in order; a failure stops the writing.
using ByteSink = std::function<Result<void>(std::string_view bytes)>;

// Writes a compound file whose one stream, `stream_name` (ASCII, at most 31 characters), is
// the concatenation of `pieces`. A stream shorter than 4096 bytes is padded with zeros to
// that size, so that it lives in regular sectors and the file needs no mini stream. Fails
// with the sink's error, or for a stream too large for the format.
Result<void> write_compound_file(std::string_view stream_name, const std::vector<std::string_view>& pieces,
                                 const ByteSink& sink);

} // namespace hearth::excel
