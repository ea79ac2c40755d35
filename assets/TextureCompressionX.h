#pragma once
// DXT1 block compression of 32-bit images through libsquish. Each row of 4x4 blocks is one job
// on the job threads; the calling thread takes part. Images whose sizes are not multiples of 4
// are padded to whole blocks (the padding pixels are masked out of the colour fit).
#include <cstdint>

#include "assets/BitmapX.h"

class ThreadManagerX;

// Bytes of DXT1 data for an image: 8 bytes per (possibly partial) 4x4 block.
uint32_t GetDXT1Size(uint32_t width, uint32_t height);

// Compresses the 32-bit pixels of `bitmap` into `output` (resized to GetDXT1Size), spreading
// the rows over `jobs` (null: every row on the calling thread). Compressions from several
// threads run one after another.
void CompressTextureDXT1(const BitmapX& bitmap, ArrayX<unsigned char>& output,
                         ThreadManagerX* jobs);

// The same for a plain pixel block (`width` x `height` pixels, row after row) into `output`,
// which must hold GetDXT1Size bytes.
void CompressPixelsDXT1(const ColorX* pixels, uint32_t width, uint32_t height,
                        unsigned char* output, ThreadManagerX* jobs, const StringX& name);

// The job function: `data` points to the unsigned 32-bit index of a row of blocks of the
// compression in progress.
uint32_t CompressTextureThread(void* data);
