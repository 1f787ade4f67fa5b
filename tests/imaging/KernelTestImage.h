#pragma once
// Raw test images for the pixel kernels: rows with a few padding bytes after them (so a write
// past a row's end shows), filled with seeded noise or patterns.

#include "imaging/PixelKernel.h"

#include <cstdint>
#include <random>
#include <vector>

struct KernelTestImage {
    static constexpr uint8_t kPad = 0xA5;
    std::vector<uint8_t> bytes;
    TPixelView view;

    KernelTestImage(int width, int height, int bytesPerPixel) {
        view.Width = width;
        view.Height = height;
        view.BytesPerPixel = bytesPerPixel;
        view.Stride = ptrdiff_t(width) * bytesPerPixel + 3;
        bytes.assign(size_t(view.Stride) * height + 1, kPad);
        view.Bits = bytes.data();
        Fill(0);
    }
    KernelTestImage(const KernelTestImage& other) : bytes(other.bytes), view(other.view) {
        view.Bits = bytes.data();
    }
    KernelTestImage& operator=(const KernelTestImage&) = delete;

    uint8_t& At(int x, int y, int ch = 0) { return view.Row(y)[x * view.BytesPerPixel + ch]; }
    void Fill(uint8_t value) {
        for (int y = 0; y < view.Height; ++y)
            for (int i = 0; i < view.Width * view.BytesPerPixel; ++i)
                view.Row(y)[i] = value;
    }
    // Noise, or with `hard` only 0 and 255 (the worst case for overshooting filters).
    void Noise(unsigned seed, bool hard = false) {
        std::mt19937 random(seed);
        for (int y = 0; y < view.Height; ++y)
            for (int i = 0; i < view.Width * view.BytesPerPixel; ++i)
                view.Row(y)[i] = hard ? ((random() & 1) ? 255 : 0) : uint8_t(random());
    }
    // The pixel bytes, without padding.
    std::vector<uint8_t> Pixels() const {
        std::vector<uint8_t> out;
        for (int y = 0; y < view.Height; ++y)
            out.insert(out.end(), view.Row(y), view.Row(y) + view.Width * view.BytesPerPixel);
        return out;
    }
    bool PaddingIntact() const {
        for (int y = 0; y < view.Height; ++y)
            for (ptrdiff_t i = ptrdiff_t(view.Width) * view.BytesPerPixel; i < view.Stride; ++i)
                if (view.Row(y)[i] != kPad)
                    return false;
        return bytes.back() == kPad;
    }
};
