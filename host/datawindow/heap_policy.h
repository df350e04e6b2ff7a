#pragma once
// How a program that holds large DataWindow pages asks the C library's heap to treat them.
// By default, blocks of a few megabytes are mapped from the kernel one by one and handed
// back as soon as they are freed, so every retrieve of a large page, and every vector that
// grows on the way, pays again for faulting in fresh memory. A front end calls this once at
// start so such blocks come from the heap and freed memory stays for the next page.

namespace hearth::dw {

void keep_large_pages_in_heap();

} // namespace hearth::dw
