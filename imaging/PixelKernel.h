#pragma once
// What the pixel kernels share: a raw view of scan lines (so that a kernel and its reference
// version run on any memory, a bitmap's or a test's), and a parallel loop over row bands with one
// process-wide thread count.

#include <cstddef>
#include <cstdint>
#include <functional>

class TBitmap;

// A hot loop compiled for the baseline processor and for AVX2, the best chosen when the program
// starts (plain C++ that the compiler vectorises, so both compute the same integers).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define KERNEL_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KERNEL_CLONES
#endif
#define KERNEL_INLINE inline __attribute__((always_inline))

struct TPixelView {
    uint8_t* Bits = nullptr; // row 0
    ptrdiff_t Stride = 0;    // bytes from one row to the next
    int Width = 0;
    int Height = 0;
    int BytesPerPixel = 0;

    uint8_t* Row(int y) const { return Bits + ptrdiff_t(y) * Stride; }
    bool Empty() const { return Bits == nullptr || Width < 1 || Height < 1; }
};

// A view of a bitmap's pixels, bytes per pixel from its format (1, 3 or 4; 0 for formats that
// are not whole bytes a pixel). Writing through it must be followed by TBitmap::Changed().
TPixelView PixelViewOf(TBitmap& bitmap);
// The same for reading only: the bitmap's pixels are not detached (nor may they be written).
TPixelView ReadPixelViewOf(const TBitmap& bitmap);

// Threads the kernels split their work across: 0 (the default) means one per processor the process
// may use (UsableProcessorCount); 1 runs everything on the calling thread (benchmarks at one
// thread, reproducibility checks).
void SetKernelThreadCount(int count);
int KernelThreadCount();

// Runs body(begin, end) over consecutive bands that cover [0, count) exactly once, on up to
// KernelThreadCount() threads (the caller's and those of one pool the whole program shares), each
// band at least minBand items long. Returns when every band is done; the first exception a band
// raised is raised again then. Safe from any thread; a call from inside a band runs on that
// band's thread alone.
void ParallelBands(int count, int minBand, const std::function<void(int, int)>& body);
