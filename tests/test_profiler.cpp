// The profiler costs nothing while it is off: every per-frame routine opens
// a section, so a section may not even build its label's string.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "base/profiler.h"

namespace {
std::atomic<long> allocationCount{0};
}  // namespace

// Counts every allocation of this test program.
void* operator new(std::size_t size) {
    allocationCount++;
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
// The other forms take the same heap, so whatever frees through the forms
// above (the library's temporary buffers, the GL driver's compiler) was
// allocated there.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocationCount++;
    return std::malloc(size ? size : 1);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

TEST(Profiler, ASectionAllocatesNothingWhileProfilingIsOffAndRecordsItsLabelWhenOn) {
    profilingOn = false;
    long before = allocationCount;
    // Longer than any string kept without the heap.
    { ProfileScope section("updateStreamingTextures"); }
    EXPECT_EQ(allocationCount - before, 0);

    profilingOn = true;
    profileFrameStart();
    { ProfileScope section("updateStreamingTextures"); }
    profileFrameEnd();
    profilingOn = false;
    ASSERT_EQ(lastFrameProfile.size(), 1u);
    EXPECT_EQ(lastFrameProfile[0].label, "updateStreamingTextures");
    EXPECT_GE(lastFrameProfile[0].endMs, lastFrameProfile[0].startMs);
}
