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

// A Unicode file starts with its byte-order mark so readers know the encoding.
std::string_view byte_order_mark(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return "\xEF\xBB\xBF";
    case Encoding::Utf16LE: return "\xFF\xFE";
    case Encoding::Utf16BE: return "\xFE\xFF";
    case Encoding::Ansi: break;
    }
    return {};
}

// Runs the format's writer, handing the encoded bytes to `out` (once, or a block of rows
// at a time for text and CSV).
Result<bool> write_encoded(const Engine& engine, SaveAsType type, ColumnHeadings headings, Encoding encoding,
                           const TextSink& out)
{
    if (!engine.has_object())
        return Result<bool>::failure("no DataWindow object");
    std::string bytes(byte_order_mark(encoding));
    auto encode = [&](std::string_view text) -> Result<bool> {
        append_encoded(bytes, text, encoding);
        auto passed = out(bytes);
        bytes.clear();
        return passed;
    };
    Result<std::string> text = Result<std::string>::failure("unknown SaveAs type");
    switch (type) {
    case SaveAsType::Text: return write_text(engine, '\t', headings, encode);
    case SaveAsType::CSV: return write_text(engine, ',', headings, encode);
    case SaveAsType::HTMLTable: text = write_html(engine, encoding); break; // headings always
    case SaveAsType::SQLInsert: text = write_sql(engine); break;
    case SaveAsType::DBase3: {
        auto table = write_dbase3(engine);   // bytes already
        if (!table)
            return Result<bool>::failure(table.error());
        return out(*table);
    }
    }
    if (!text)
        return Result<bool>::failure(text.error());
    return encode(*text);
}

} // namespace

Result<std::string> save_as_bytes(const Engine& engine, SaveAsType type, ColumnHeadings headings, Encoding encoding)
{
    std::string bytes;
    auto written = write_encoded(engine, type, headings, encoding, [&](std::string_view block) -> Result<bool> {
        bytes += block;
        return true;
    });
    if (!written)
        return Result<std::string>::failure(written.error());
    return bytes;
}

AtomicFileWriter::AtomicFileWriter(std::filesystem::path file) : m_file(std::move(file)) {}

AtomicFileWriter::~AtomicFileWriter()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.c_str());
    }
}

Result<bool> AtomicFileWriter::fail(std::string_view what)
{
    std::string message = fmt::format("{}: {}: {}", m_file.string(), what, std::strerror(errno));
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.c_str());
        m_fd = -1;
    }
    return Result<bool>::failure(message);
}

Result<bool> AtomicFileWriter::open()
{
    std::filesystem::path folder = m_file.parent_path().empty() ? std::filesystem::path(".") : m_file.parent_path();
    std::string hidden = "."; // appended: `"." + ...` trips GCC 12's false -Wrestrict at -O3
    hidden += m_file.filename().string();
    hidden += ".XXXXXX";
    std::string pattern = (folder / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_fd = ::mkstemp(name.data());
    if (m_fd < 0)
        return Result<bool>::failure(
            fmt::format("{}: cannot create a file in {}: {}", m_file.string(), folder.string(), std::strerror(errno)));
    m_temporary = name.data();
    return true;
}

Result<bool> AtomicFileWriter::write(std::string_view bytes)
{
    if (m_fd < 0)
        return Result<bool>::failure(fmt::format("{}: not open", m_file.string()));
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(m_fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail("write failed");
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

Result<bool> AtomicFileWriter::commit()
{
    if (m_fd < 0)
        return Result<bool>::failure(fmt::format("{}: not open", m_file.string()));
    // mkstemp makes the file private; an export is readable like any other file.
    ::fchmod(m_fd, 0644);
    if (::fsync(m_fd) != 0)
        return fail("write failed");
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        ::unlink(m_temporary.c_str());
        return Result<bool>::failure(fmt::format("{}: write failed: {}", m_file.string(), std::strerror(errno)));
    }
    if (::rename(m_temporary.c_str(), m_file.c_str()) != 0) {
        std::string message = fmt::format("{}: cannot replace the file: {}", m_file.string(), std::strerror(errno));
        ::unlink(m_temporary.c_str());
        return Result<bool>::failure(message);
    }
    return true;
}

Result<bool> write_file_atomically(const std::filesystem::path& file, std::string_view bytes)
{
    AtomicFileWriter writer(file);
    if (auto opened = writer.open(); !opened)
        return opened;
    if (auto written = writer.write(bytes); !written)
        return written;
    return writer.commit();
}

Result<bool> save_as_file(const Engine& engine, const std::filesystem::path& file, SaveAsType type,
                          ColumnHeadings headings, Encoding encoding)
{
    if (file.empty() || file.filename().empty())
        return Result<bool>::failure("no file name");
    // Refused before a temporary file is made.
    if (!engine.has_object())
        return Result<bool>::failure("no DataWindow object");
    AtomicFileWriter writer(file);
    if (auto opened = writer.open(); !opened)
        return opened;
    auto written = write_encoded(engine, type, headings, encoding, [&](std::string_view block) { return writer.write(block); });
    if (!written)
        return written;
    return writer.commit();
}

int save_as(const Engine& engine, const std::filesystem::path& file, SaveAsType type, ColumnHeadings headings,
            Encoding encoding)
{
    return save_as_file(engine, file, type, headings, encoding) ? 1 : -1;
}

} // namespace hearth::dw
