// The compound file as [MS-CFB] lays it out, in the simplest order that holds one stream:
// the 512-byte header, the stream's sectors, the FAT sectors, the DIFAT sectors (only when
// more than the header's 109 FAT sector numbers are needed), and one directory sector with
// the root entry and the stream's entry.
#include "app/excel/compound_file.h"

#include "app/excel/le_bytes.h"

#include <cassert>
#include <fmt/format.h>

namespace hearth::excel {

namespace {

constexpr std::uint32_t sector_size = 512;
constexpr std::uint32_t fat_entries_per_sector = sector_size / 4;       // 128
constexpr std::uint32_t difat_entries_per_sector = sector_size / 4 - 1; // 127, then the next
constexpr std::uint32_t header_difat_entries = 109;
constexpr std::uint32_t mini_stream_cutoff = 4096;

// Special sector numbers.
constexpr std::uint32_t difat_sector = 0xFFFF'FFFC;
constexpr std::uint32_t fat_sector = 0xFFFF'FFFD;
constexpr std::uint32_t end_of_chain = 0xFFFF'FFFE;
constexpr std::uint32_t free_sector = 0xFFFF'FFFF;
constexpr std::uint32_t no_stream = 0xFFFF'FFFF;

// Version 3 keeps a stream's size in 32 bits and readers take it as signed.
constexpr std::uint64_t max_stream_size = 0x7FFF'FFFF;

std::uint32_t sectors_for(std::uint64_t bytes, std::uint32_t per_sector)
{
    return static_cast<std::uint32_t>((bytes + per_sector - 1) / per_sector);
}

// One 128-byte directory entry.
void append_entry(std::string& out, std::string_view name, std::uint8_t type, std::uint32_t child, std::uint32_t start,
                  std::uint64_t size)
{
    const std::size_t at = out.size();
    for (char c : name)
        append_u16(out, static_cast<std::uint8_t>(c));
    out.resize(at + 64, '\0');
    append_u16(out, name.empty() ? 0 : static_cast<std::uint16_t>((name.size() + 1) * 2));
    append_u8(out, type);
    append_u8(out, type == 0 ? 0 : 1); // black: a tree of one node
    append_u32(out, no_stream);        // left sibling
    append_u32(out, no_stream);        // right sibling
    append_u32(out, child);
    out.append(16 + 4 + 8 + 8, '\0'); // class id, state bits, creation and modification times
    append_u32(out, start);
    append_u32(out, static_cast<std::uint32_t>(size)); // version 3: the high half stays 0
    append_u32(out, 0);
    assert(out.size() == at + 128);
}

} // namespace

Result<void> write_compound_file(std::string_view stream_name, const std::vector<std::string_view>& pieces,
                                 const ByteSink& sink)
{
    assert(!stream_name.empty() && stream_name.size() <= 31);
    std::uint64_t data_size = 0;
    for (std::string_view piece : pieces)
        data_size += piece.size();
    const std::uint64_t stream_size = std::max<std::uint64_t>(data_size, mini_stream_cutoff);
    if (stream_size > max_stream_size)
        return Result<void>::failure(fmt::format("工作簿有{}字节，超过了Excel 97-2003文件的大小上限", stream_size));

    // The FAT covers every sector including its own and the DIFAT's: grow both until they
    // cover what they hold.
    const std::uint32_t stream_sectors = sectors_for(stream_size, sector_size);
    std::uint32_t fat_sectors = 1, difat_sectors = 0, total = 0;
    for (;;) {
        total = stream_sectors + fat_sectors + difat_sectors + 1;
        const std::uint32_t fat_needed = sectors_for(total, fat_entries_per_sector);
        const std::uint32_t difat_needed = fat_needed > header_difat_entries
            ? sectors_for(fat_needed - header_difat_entries, difat_entries_per_sector)
            : 0;
        if (fat_needed == fat_sectors && difat_needed == difat_sectors)
            break;
        fat_sectors = std::max(fat_sectors, fat_needed);
        difat_sectors = std::max(difat_sectors, difat_needed);
    }
    const std::uint32_t first_fat = stream_sectors;
    const std::uint32_t first_difat = first_fat + fat_sectors;
    const std::uint32_t directory = first_difat + difat_sectors;

    std::string header;
    header.reserve(sector_size);
    header.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.append(16, '\0');    // class id
    append_u16(header, 0x003E); // minor version
    append_u16(header, 0x0003); // major version 3: 512-byte sectors
    append_u16(header, 0xFFFE); // byte order mark: little-endian
    append_u16(header, 9);      // sector shift: 2^9 = 512
    append_u16(header, 6);      // mini sector shift: 2^6 = 64
    header.append(6, '\0');
    append_u32(header, 0); // directory sectors: always 0 in version 3
    append_u32(header, fat_sectors);
    append_u32(header, directory);
    append_u32(header, 0); // transaction signature
    append_u32(header, mini_stream_cutoff);
    append_u32(header, end_of_chain); // no mini FAT
    append_u32(header, 0);
    append_u32(header, difat_sectors ? first_difat : end_of_chain);
    append_u32(header, difat_sectors);
    for (std::uint32_t i = 0; i < header_difat_entries; ++i)
        append_u32(header, i < fat_sectors ? first_fat + i : free_sector);
    assert(header.size() == sector_size);
    if (auto written = sink(header); !written)
        return written;

    for (std::string_view piece : pieces)
        if (auto written = sink(piece); !written)
            return written;
    if (const std::uint64_t padding = std::uint64_t(stream_sectors) * sector_size - data_size; padding > 0)
        if (auto written = sink(std::string(padding, '\0')); !written)
            return written;

    std::string tables;
    tables.reserve(std::size_t(fat_sectors + difat_sectors + 1) * sector_size);
    for (std::uint32_t sector = 0; sector < fat_sectors * fat_entries_per_sector; ++sector) {
        std::uint32_t next = free_sector;
        if (sector + 1 < stream_sectors)
            next = sector + 1;
        else if (sector + 1 == stream_sectors || sector == directory)
            next = end_of_chain;
        else if (sector >= first_fat && sector < first_difat)
            next = fat_sector;
        else if (sector >= first_difat && sector < directory)
            next = difat_sector;
        append_u32(tables, next);
    }
    for (std::uint32_t d = 0; d < difat_sectors; ++d) {
        for (std::uint32_t i = 0; i < difat_entries_per_sector; ++i) {
            const std::uint32_t fat = header_difat_entries + d * difat_entries_per_sector + i;
            append_u32(tables, fat < fat_sectors ? first_fat + fat : free_sector);
        }
        append_u32(tables, d + 1 < difat_sectors ? first_difat + d + 1 : end_of_chain);
    }
    append_entry(tables, "Root Entry", 5, 1, end_of_chain, 0);
    append_entry(tables, stream_name, 2, no_stream, 0, stream_size);
    append_entry(tables, {}, 0, no_stream, 0, 0);
    append_entry(tables, {}, 0, no_stream, 0, 0);
    assert(tables.size() == std::size_t(fat_sectors + difat_sectors + 1) * sector_size);
    return sink(tables);
}

} // namespace hearth::excel
