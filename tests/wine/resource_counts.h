// What a leak in the plug-in would grow, counted from inside the process in
// ways that work under Wine 8, where GetGuiResources returns 0 and
// GetProcessHandleCount fails: live GDI objects by GetObjectType over the
// handle table, kernel handles by GetHandleInformation, free TLS slots by
// taking them all, and the busy blocks of every process heap by HeapWalk.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

// Wine keeps a few device contexts of common windows in a cache that grows
// on demand up to five entries and then stays: filled first, it cannot pass
// for a leak.
inline void FillDeviceContextCache() {
    HWND windows[8];
    HDC dcs[8];
    for (int i = 0; i < 8; ++i) {
        windows[i] = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        dcs[i] = GetDC(windows[i]);
    }
    for (int i = 0; i < 8; ++i) {
        ReleaseDC(windows[i], dcs[i]);
        DestroyWindow(windows[i]);
    }
}

struct ResourceCounts {
    long gdiObjects = 0;
    long kernelHandles = 0;
    long freeTlsSlots = 0;
    long long heapBytes = 0;
    long heapBlocks = 0;

    static ResourceCounts Take() {
        ResourceCounts c;
        // A GDI handle's low word indexes the table; the high word may be 0.
        for (uintptr_t i = 1; i < 0x10000; ++i) {
            if (GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0) ++c.gdiObjects;
        }
        for (uintptr_t h = 4; h < 0x4000; h += 4) {   // Wine hands out low values first
            DWORD flags;
            if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++c.kernelHandles;
        }
        DWORD slots[1200];
        while (c.freeTlsSlots < 1200 && (slots[c.freeTlsSlots] = TlsAlloc()) != TLS_OUT_OF_INDEXES) ++c.freeTlsSlots;
        for (long i = 0; i < c.freeTlsSlots; ++i) TlsFree(slots[i]);
        HANDLE heaps[64];
        const DWORD heapCount = GetProcessHeaps(64, heaps);
        for (DWORD i = 0; i < heapCount && i < 64; ++i) {
            if (!HeapLock(heaps[i])) continue;
            PROCESS_HEAP_ENTRY entry = {};
            while (HeapWalk(heaps[i], &entry)) {
                if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                    c.heapBytes += entry.cbData;
                    ++c.heapBlocks;
                }
            }
            HeapUnlock(heaps[i]);
        }
        return c;
    }

    // The growth from `before` to this, per cycle, as one line.
    std::string GrowthSince(const ResourceCounts& before, long cycles) const {
        char line[200];
        std::snprintf(line, sizeof line,
                      "over %ld cycles: GDI objects %+ld, kernel handles %+ld, TLS slots %+ld, heap %+lld bytes in %+ld blocks",
                      cycles, gdiObjects - before.gdiObjects, kernelHandles - before.kernelHandles,
                      before.freeTlsSlots - freeTlsSlots, heapBytes - before.heapBytes, heapBlocks - before.heapBlocks);
        return line;
    }
    bool SameAs(const ResourceCounts& o) const {
        return gdiObjects == o.gdiObjects && kernelHandles == o.kernelHandles && freeTlsSlots == o.freeTlsSlots &&
               heapBytes == o.heapBytes && heapBlocks == o.heapBlocks;
    }
};
