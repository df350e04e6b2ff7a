#include "host/value/files.h"

#include "host/value/encoding.h"
#include "host/value/utf8.h"
#include "host/value/value.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hearth {

Result<std::string> decode_text_file(std::string_view bytes)
{
    struct Mark {
        std::string_view bytes;
        Encoding encoding;
    };
    static constexpr Mark marks[]
        = {{"\xEF\xBB\xBF", Encoding::Utf8}, {"\xFF\xFE", Encoding::Utf16LE}, {"\xFE\xFF", Encoding::Utf16BE}};
    const Mark* mark
        = std::find_if(std::begin(marks), std::end(marks), [&](const Mark& m) { return bytes.starts_with(m.bytes); });
    Encoding encoding = Encoding::Ansi;
    if (mark != std::end(marks)) {
        bytes.remove_prefix(mark->bytes.size());
        encoding = mark->encoding;
    } else if (utf8::is_valid(bytes)) {
        encoding = Encoding::Utf8;
    }
    auto text = decode_file_body(bytes, encoding);
    if (!text)
        return Result<std::string>::failure("invalid UTF-16 text");
    return std::move(*text);
}

Result<std::string> read_file_bytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return Result<std::string>::failure(fmt::format("{}: cannot be read", file.string()));
    // Read by blocks, so that a file longer than a string can be (a device without end such
    // as /dev/zero among them) fails instead of taking all memory.
    std::string bytes;
    try {
        std::error_code ec;
        if (auto size = std::filesystem::file_size(file, ec); !ec && size <= max_string_length)
            bytes.reserve(size);
        std::vector<char> block(1 << 16);
        while (in.read(block.data(), std::streamsize(block.size())) || in.gcount() > 0) {
            if (bytes.size() + std::size_t(in.gcount()) > max_string_length)
                return Result<std::string>::failure(fmt::format(
                    "{}: longer than {} bytes, the longest text a string holds", file.string(), max_string_length));
            bytes.append(block.data(), std::size_t(in.gcount()));
        }
    } catch (const std::bad_alloc&) {
        return Result<std::string>::failure(fmt::format("{}: not enough memory to read it", file.string()));
    }
    if (in.bad())
        return Result<std::string>::failure(fmt::format("{}: cannot be read", file.string()));
    return bytes;
}

Result<std::string> read_text_file(const std::filesystem::path& file)
{
    auto bytes = read_file_bytes(file);
    if (!bytes)
        return bytes;
    auto text = decode_text_file(*bytes);
    if (!text)
        return Result<std::string>::failure(fmt::format("{}: {}", file.string(), text.error()));
    return text;
}

AtomicFileWriter::AtomicFileWriter(std::filesystem::path file) : m_file(std::move(file)) {}

AtomicFileWriter::~AtomicFileWriter()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.c_str());
    }
}

Result<void> AtomicFileWriter::fail(std::string_view what)
{
    std::string message = fmt::format("{}: {}: {}", m_file.string(), what, std::strerror(errno));
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.c_str());
        m_fd = -1;
    }
    return Result<void>::failure(message);
}

Result<void> AtomicFileWriter::open()
{
    std::filesystem::path folder = m_file.parent_path().empty() ? std::filesystem::path(".") : m_file.parent_path();
    std::string pattern = (folder / fmt::format(".{}.XXXXXX", m_file.filename().string())).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_fd = ::mkstemp(name.data());
    if (m_fd < 0)
        return Result<void>::failure(
            fmt::format("{}: cannot create a file in {}: {}", m_file.string(), folder.string(), std::strerror(errno)));
    m_temporary = name.data();
    return {};
}

Result<void> AtomicFileWriter::write(std::string_view bytes)
{
    if (m_fd < 0)
        return Result<void>::failure(fmt::format("{}: not open", m_file.string()));
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
    return {};
}

Result<void> AtomicFileWriter::commit()
{
    if (m_fd < 0)
        return Result<void>::failure(fmt::format("{}: not open", m_file.string()));
    // mkstemp makes the file private; a written file is readable like any other file.
    ::fchmod(m_fd, 0644);
    if (::fsync(m_fd) != 0)
        return fail("write failed");
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        ::unlink(m_temporary.c_str());
        return Result<void>::failure(fmt::format("{}: write failed: {}", m_file.string(), std::strerror(errno)));
    }
    if (::rename(m_temporary.c_str(), m_file.c_str()) != 0) {
        std::string message = fmt::format("{}: cannot replace the file: {}", m_file.string(), std::strerror(errno));
        ::unlink(m_temporary.c_str());
        return Result<void>::failure(message);
    }
    return {};
}

Result<void> write_file_atomically(const std::filesystem::path& file, std::string_view bytes)
{
    AtomicFileWriter writer(file);
    if (auto opened = writer.open(); !opened)
        return opened;
    if (auto written = writer.write(bytes); !written)
        return written;
    return writer.commit();
}

} // namespace hearth
