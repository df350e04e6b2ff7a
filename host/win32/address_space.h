#pragma once
// The layer's 32-bit address space. Whatever a call hands out by address (the strings and
// device modes behind a PRINTER_INFO_2 record, the blocks behind global memory handles) is a
// block mapped here; the script reads it back with String(addr, "address") or RtlMoveMemory.
// An access that is not wholly inside one mapped block is the host's failed-call error, never
// a wild read or write.

#include "host/win32/records.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace hearth::win32 {

// How long a block lives: until the end of the call that mapped it (see mark), or until it is
// unmapped (global memory).
enum class Lifetime : std::uint8_t { Call, UntilUnmapped };

class AddressSpace {
public:
    // Maps a block of `size` zero bytes; returns its base address (never 0).
    Address map(std::size_t size, Lifetime lifetime = Lifetime::Call);
    // Unmaps the block at `base`; false when no block starts there.
    bool unmap(Address base);
    // The `length` bytes at `address`, inside one block. Throws RuntimeError (25015) otherwise.
    std::span<std::uint8_t> bytes(Address address, std::size_t length);
    // The zero-terminated ANSI bytes at `address` (without the zero). Throws when the address
    // is unmapped or its block holds no zero after it.
    std::string c_string(Address address);
    // The size of the block that starts at `base`; 0 when none does.
    std::size_t block_size(Address base) const;
    std::size_t block_count() const { return m_blocks.size(); }

    // Call blocks mapped after a mark stay until release(mark): one call's buffers live as long
    // as the call.
    using Mark = Address;
    Mark mark() const { return m_next; }
    void release(Mark mark);

private:
    struct Block {
        std::vector<std::uint8_t> bytes;
        Lifetime lifetime = Lifetime::Call;
    };
    std::map<Address, Block> m_blocks;
    Address m_next = 0x00010000;
};

} // namespace hearth::win32
