#pragma once

#include <cstdint>

namespace Testing {

// How many times operator new (any form) has run in this program so far. Only programs that
// link support/AllocationCounter.cpp count; it replaces the global allocation operators.
uint64_t CountedAllocations();

}  // namespace Testing
