#include "host/datawindow/saveas.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hearth::dw {

namespace {

std::string encoded(const std::string& text, Encoding encoding)
{
    Blob bytes = encode_text(text, encoding);
    std::string out;
    // A Unicode file starts with its byte-order mark so readers know the encoding.
    if (encoding == Encoding::Utf8)
        out = "\xEF\xBB\xBF";
    else if (encoding == Encoding::Utf16LE)
        out = "\xFF\xFE";
    else if (encoding == Encoding::Utf16BE)
        out = "\xFE\xFF";
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return out;
}

} // namespace

Result<std::string> save_as_bytes(const Engine& engine, SaveAsType type, ColumnHeadings headings, Encoding encoding)
{
    if (!engine.has_object())
        return Result<std::string>::failure("no DataWindow object");
    Result<std::string> text = Result<std::string>::failure("unknown SaveAs type");
    switch (type) {
    case SaveAsType::Text: text = write_text(engine, '\t', headings); break;
    case SaveAsType::CSV: text = write_text(engine, ',', headings); break;
    case SaveAsType::HTMLTable: text = write_html(engine, encoding); break; // headings always
    case SaveAsType::SQLInsert: text = write_sql(engine); break;
    case SaveAsType::DBase3: return write_dbase3(engine);
    }
    if (!text)
        return text;
    return encoded(*text, encoding);
}

Result<bool> write_file_atomically(const std::filesystem::path& file, std::string_view bytes)
{
    std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    std::string pattern = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0)
        return Result<bool>::failure(fmt::format("{}: cannot create a file in {}: {}", file.string(), folder.string(), std::strerror(errno)));
    std::string temporary(name.data());
    auto fail = [&](std::string_view what) {
        std::string message = fmt::format("{}: {}: {}", file.string(), what, std::strerror(errno));
        ::unlink(temporary.c_str());
        return Result<bool>::failure(message);
    };
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return fail("write failed");
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    // mkstemp makes the file private; an export is readable like any other file.
    ::fchmod(fd, 0644);
    if (::fsync(fd) != 0) {
        ::close(fd);
        return fail("write failed");
    }
    if (::close(fd) != 0)
        return fail("write failed");
    if (::rename(temporary.c_str(), file.c_str()) != 0)
        return fail("cannot replace the file");
    return true;
}

int save_as(const Engine& engine, const std::filesystem::path& file, SaveAsType type, ColumnHeadings headings,
            Encoding encoding)
{
    if (file.empty() || file.filename().empty())
        return -1;
    auto bytes = save_as_bytes(engine, type, headings, encoding);
    if (!bytes)
        return -1;
    return write_file_atomically(file, *bytes) ? 1 : -1;
}

} // namespace hearth::dw
