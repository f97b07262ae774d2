#include "heap_counter.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

// glibc's own allocator under its exported internal names.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<uint64_t> Allocations{0};

void* Counted(void* block) {
    Allocations.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void* NewBlock(size_t size, size_t alignment) {
    if (size == 0) size = 1;
    void* block = alignment <= alignof(std::max_align_t) ? __libc_malloc(size)
                                                         : __libc_memalign(alignment, size);
    return Counted(block);
}

} // namespace

namespace bench {

uint64_t HeapAllocations() {
    return Allocations.load(std::memory_order_relaxed);
}

bool HeapCounterWorks() {
    uint64_t before = HeapAllocations();
    delete new volatile int(0);
    void* block = std::malloc(16);
    benchmark::DoNotOptimize(block);
    std::free(block);
    if (HeapAllocations() - before == 2) return true;
    std::fprintf(stderr, "FAIL: the heap counter does not see allocations\n");
    return false;
}

} // namespace bench

// ---- The C heap ---------------------------------------------------------------

extern "C" {
void* malloc(size_t size) {
    return Counted(__libc_malloc(size));
}
void* calloc(size_t count, size_t size) {
    return Counted(__libc_calloc(count, size));
}
void* realloc(void* block, size_t size) {
    return Counted(__libc_realloc(block, size));
}
void free(void* block) {
    __libc_free(block);
}
}

// ---- Global operator new and delete ---------------------------------------------

// The benchmark is built without exceptions in mind: a failed allocation ends it.
void* operator new(size_t size) {
    void* block = NewBlock(size, 0);
    if (!block) __builtin_trap();
    return block;
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, std::align_val_t alignment) {
    void* block = NewBlock(size, size_t(alignment));
    if (!block) __builtin_trap();
    return block;
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return operator new(size, alignment);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return NewBlock(size, 0);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return NewBlock(size, 0);
}
void operator delete(void* block) noexcept {
    __libc_free(block);
}
void operator delete[](void* block) noexcept {
    __libc_free(block);
}
void operator delete(void* block, size_t) noexcept {
    __libc_free(block);
}
void operator delete[](void* block, size_t) noexcept {
    __libc_free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    __libc_free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    __libc_free(block);
}
void operator delete(void* block, size_t, std::align_val_t) noexcept {
    __libc_free(block);
}
void operator delete[](void* block, size_t, std::align_val_t) noexcept {
    __libc_free(block);
}
