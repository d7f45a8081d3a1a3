// Storage of tree nodes; internal.
#pragma once

#include <cstddef>

namespace kx::json {

// Nodes are carved from pages, so a document costs a few allocator calls instead of one per
// node and no per-block overhead. A page goes back to the heap once every node carved from it
// is freed, on whatever thread. Sizes above kLargestPooledNode come from the heap.
constexpr std::size_t kLargestPooledNode = 256;
void* AllocateNode(std::size_t size);
void FreeNode(void* node, std::size_t size) noexcept;

}  // namespace kx::json
