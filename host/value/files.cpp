#include "host/value/files.h"

#include "host/value/encoding.h"
#include "host/value/utf8.h"
#include "host/value/value.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

namespace {

// The file a path names once symbolic links are followed. A dangling link names the file it
// points to, which the write then creates.
Result<std::filesystem::path> follow_links(std::filesystem::path file)
{
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(file, error)))
            return file;
        std::filesystem::path next = std::filesystem::read_symlink(file, error);
        if (error)
            return Result<std::filesystem::path>::failure(error.message());
        file = next.is_absolute() ? next : file.parent_path() / next;
    }
    return Result<std::filesystem::path>::failure(std::strerror(ELOOP));
}

// Runs `create` (an open or a link that fails with EEXIST for a taken name) on hidden names
// next to `target` until one is free; `name` is the one tried last.
template <class Create> int at_hidden_name(const std::filesystem::path& target, std::string& name, Create create)
{
    static std::atomic<unsigned> serial {0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = (target.parent_path() / fmt::format(".{}.{}.{}", target.filename().string(), ::getpid(), serial++))
                   .string();
        int result = create(name.c_str());
        if (result >= 0 || errno != EEXIST)
            return result;
    }
    return -1;
}

} // namespace

AtomicFileWriter::AtomicFileWriter(std::filesystem::path file) : m_file(std::move(file)) {}

AtomicFileWriter::~AtomicFileWriter() { discard(); }

void AtomicFileWriter::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

Result<void> AtomicFileWriter::fail(std::string_view what)
{
    std::string message = fmt::format("{}: {}: {}", m_file.string(), what, std::strerror(errno));
    discard();
    return Result<void>::failure(message);
}

Result<void> AtomicFileWriter::open()
{
    auto target = follow_links(m_file);
    if (!target)
        return Result<void>::failure(fmt::format("{}: {}", m_file.string(), target.error()));
    m_target = std::move(*target);
    struct stat existing {};
    const bool exists = ::stat(m_target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // A FIFO or a device takes the bytes as they come; a folder fails here.
        m_in_place = true;
        m_fd = ::open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        return m_fd < 0 ? fail("cannot be written") : Result<void> {};
    }
    std::filesystem::path folder = m_target.parent_path().empty() ? std::filesystem::path(".") : m_target.parent_path();
    // Mode 0666: the kernel takes off the umask as for any new file.
    m_fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // The file system has no unnamed files: a named one, removed unless committed.
        m_fd = at_hidden_name(m_target, m_temporary, [](const char* name) {
            return ::open(name, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        });
        if (m_fd < 0)
            m_temporary.clear();
    }
    if (m_fd < 0)
        return Result<void>::failure(
            fmt::format("{}: cannot create a file in {}: {}", m_file.string(), folder.string(), std::strerror(errno)));
    if (exists && ::fchmod(m_fd, existing.st_mode & 07777) != 0)
        return fail("cannot keep the mode of the file");
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
    if (m_in_place) { // a FIFO or a device has nothing to sync or to rename
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            return fail("write failed");
        return {};
    }
    if (::fsync(m_fd) != 0)
        return fail("write failed");
    if (m_temporary.empty()) {
        // The unnamed file gets a hidden name only now that it is complete.
        const std::string self = fmt::format("/proc/self/fd/{}", m_fd);
        int linked = at_hidden_name(m_target, m_temporary, [&](const char* name) {
            int done = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW);
            if (done != 0 && errno == ENOENT) // no /proc: only a privileged process links this way
                done = ::linkat(m_fd, "", AT_FDCWD, name, AT_EMPTY_PATH);
            return done;
        });
        if (linked != 0) {
            m_temporary.clear();
            return fail("cannot name the file");
        }
    }
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        return fail("write failed");
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        return fail("cannot replace the file");
    m_temporary.clear();
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
