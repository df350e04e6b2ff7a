#include "host/datawindow/heap_policy.h"

#include <malloc.h>

namespace hearth::dw {

void keep_large_pages_in_heap()
{
    // Blocks below 64 MiB (a column of two million strings) come from the heap; up to
    // 128 MiB of free memory at its top is kept instead of being returned to the system.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
}

} // namespace hearth::dw
