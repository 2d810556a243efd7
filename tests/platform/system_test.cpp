#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "base/critsec.h"
#include "base/winmemory.h"
#include "base/wintime.h"

TEST(CriticalSection, OwnerMayReenterAndOthersWaitForTheLastLeave)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section); // the open routine calls one that locks again

    std::atomic<bool> otherEntered{false};
    std::thread other([&] {
        EnterCriticalSection(&section);
        otherEntered = true;
        LeaveCriticalSection(&section);
    });
    Sleep(30);
    EXPECT_FALSE(otherEntered);
    LeaveCriticalSection(&section);
    Sleep(30);
    EXPECT_FALSE(otherEntered); // still held once
    LeaveCriticalSection(&section);
    other.join();
    EXPECT_TRUE(otherEntered);
    DeleteCriticalSection(&section);
}

TEST(HeapMemory, ZeroedBlocksAndDestroyFreesEverything)
{
    HANDLE heap = HeapCreate(0, 1 << 16, 0);
    ASSERT_NE(heap, nullptr);
    auto* block = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 4096));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i)
        ASSERT_EQ(block[i], 0);
    void* other = HeapAlloc(heap, 0, 100);
    EXPECT_TRUE(HeapFree(heap, 0, other));
    EXPECT_FALSE(HeapFree(heap, 0, other)); // freed once only
    EXPECT_TRUE(HeapDestroy(heap));          // also frees the first block
    EXPECT_FALSE(HeapDestroy(heap));
    EXPECT_EQ(HeapAlloc(heap, 0, 8), nullptr);

    void* shared = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 16);
    ASSERT_NE(shared, nullptr);
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, shared));
    EXPECT_FALSE(HeapDestroy(GetProcessHeap()));
}

TEST(GlobalMemory, MoveableBlocksLockUnlockAndFree)
{
    HGLOBAL handle = GlobalAlloc(GHND, 1078);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GlobalSize(handle), 1078u);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(handle));
    ASSERT_NE(bytes, nullptr);
    EXPECT_NE(static_cast<void*>(bytes), handle);
    for (int i = 0; i < 1078; ++i)
        ASSERT_EQ(bytes[i], 0);
    bytes[0] = 'B';
    EXPECT_EQ(GlobalLock(handle), bytes);
    EXPECT_TRUE(GlobalUnlock(handle)); // still locked once
    EXPECT_FALSE(GlobalUnlock(handle));

    handle = GlobalReAlloc(handle, 4000, GMEM_ZEROINIT);
    ASSERT_NE(handle, nullptr);
    bytes = static_cast<unsigned char*>(GlobalLock(handle));
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[3999], 0);
    GlobalUnlock(handle);
    EXPECT_EQ(GlobalFree(handle), nullptr);
    EXPECT_EQ(GlobalSize(handle), 0u);
    EXPECT_EQ(GlobalLock(handle), nullptr);
    EXPECT_EQ(GlobalFree(handle), handle);

    HGLOBAL fixed = GlobalAlloc(GPTR, 10);
    EXPECT_EQ(GlobalLock(fixed), fixed);
    EXPECT_EQ(GlobalSize(fixed), 10u);
    EXPECT_EQ(GlobalFree(fixed), nullptr);
}

TEST(TickCount, AdvancesWithSleep)
{
    const DWORD start = GetTickCount();
    Sleep(20);
    EXPECT_GE(GetTickCount() - start, 19u);
}
