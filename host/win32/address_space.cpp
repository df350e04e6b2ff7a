#include "host/win32/address_space.h"

#include "host/value/runtime_error.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>

namespace hearth::win32 {

namespace {

[[noreturn]] void unmapped(Address address, std::size_t length)
{
    throw RuntimeError(ErrorCode::CallFailed, fmt::format("{} bytes at address {:#010x}: not mapped", length, address));
}

} // namespace

Address AddressSpace::map(std::size_t size, Lifetime lifetime)
{
    // Blocks are 16-byte aligned with a gap between them, so that one past the end of a block
    // is never the start of the next. Addresses are not reused while the space has room.
    const std::size_t span = (std::max<std::size_t>(size, 1) + 16 + 15) & ~std::size_t(15);
    // Starting over is safe only with nothing mapped: a call's mark must stay below every
    // block mapped after it.
    if (span > std::numeric_limits<Address>::max() - m_next && m_blocks.empty())
        m_next = 0x00010000;
    if (span > std::numeric_limits<Address>::max() - m_next)
        throw RuntimeError(ErrorCode::CallFailed, "address space exhausted");
    const Address base = m_next;
    m_next += static_cast<Address>(span);
    m_blocks.emplace(base, Block {std::vector<std::uint8_t>(size, 0), lifetime});
    return base;
}

bool AddressSpace::unmap(Address base) { return m_blocks.erase(base) > 0; }

std::span<std::uint8_t> AddressSpace::bytes(Address address, std::size_t length)
{
    auto it = m_blocks.upper_bound(address);
    if (it == m_blocks.begin())
        unmapped(address, length);
    --it;
    const std::size_t offset = address - it->first;
    std::vector<std::uint8_t>& block = it->second.bytes;
    if (offset > block.size() || length > block.size() - offset)
        unmapped(address, length);
    return std::span<std::uint8_t>(block.data() + offset, length);
}

std::string AddressSpace::c_string(Address address)
{
    auto it = m_blocks.upper_bound(address);
    if (it == m_blocks.begin())
        unmapped(address, 1);
    --it;
    const std::size_t offset = address - it->first;
    const std::vector<std::uint8_t>& block = it->second.bytes;
    if (offset >= block.size())
        unmapped(address, 1);
    auto end = std::find(block.begin() + static_cast<std::ptrdiff_t>(offset), block.end(), 0);
    if (end == block.end())
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("text at address {:#010x}: no terminating zero", address));
    return std::string(block.begin() + static_cast<std::ptrdiff_t>(offset), end);
}

std::size_t AddressSpace::block_size(Address base) const
{
    auto it = m_blocks.find(base);
    return it == m_blocks.end() ? 0 : it->second.bytes.size();
}

void AddressSpace::release(Mark mark)
{
    for (auto it = m_blocks.lower_bound(mark); it != m_blocks.end();)
        it = it->second.lifetime == Lifetime::Call ? m_blocks.erase(it) : std::next(it);
}

} // namespace hearth::win32
