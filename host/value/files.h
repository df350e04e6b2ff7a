#pragma once
// Files the host reads and writes. Text files (imports, settings, object sources) are read
// through one decoder; every file the program writes (exports, settings) goes through
// AtomicFileWriter, so a failed or killed write leaves no partial file and an existing file
// stays as it was.

#include "host/value/result.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace hearth {

// A text file's bytes as UTF-8. A byte-order mark decides first (UTF-8, UTF-16LE, UTF-16BE;
// the mark is dropped); otherwise text that is valid UTF-8 is UTF-8; otherwise it is the ANSI
// code page (GBK), which is what SaveAs writes by default. The result is always valid UTF-8.
// Fails for UTF-16 text with an unpaired surrogate.
Result<std::string> decode_text_file(std::string_view bytes);
// The file's bytes; fails with "<file>: cannot be read".
Result<std::string> read_file_bytes(const std::filesystem::path& file);
// read_file_bytes, then decode_text_file.
Result<std::string> read_text_file(const std::filesystem::path& file);

// A file written whole or not at all. Symbolic links are followed (a dangling one gets the
// file it points to). A regular file, or a new one, is written as an unnamed file in the
// same folder that commit() syncs, links under a hidden name and renames into place, so a
// write that is killed leaves nothing behind; a replaced file keeps its mode, a new one gets
// 0666 less the umask. A FIFO or a device is written in place: there is nothing to replace.
// Without a commit an existing file stays as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::filesystem::path file);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    Result<void> open();
    Result<void> write(std::string_view bytes);
    Result<void> commit();

private:
    Result<void> fail(std::string_view what);
    void discard();

    std::filesystem::path m_file;   // as given, for messages
    std::filesystem::path m_target; // m_file with symbolic links followed
    std::string m_temporary;        // the hidden name, once the file has one
    bool m_in_place = false;        // a FIFO or a device
    int m_fd = -1;
};

// Writes bytes to file through AtomicFileWriter.
Result<void> write_file_atomically(const std::filesystem::path& file, std::string_view bytes);

} // namespace hearth
