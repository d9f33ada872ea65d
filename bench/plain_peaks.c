/* plain_peaks: the baseline that sundra-cli peaks is measured against. A plain
 * C pass over a canonical 44-byte-header WAV file of 16-bit samples: it reads
 * the samples in one-megabyte blocks, takes the minimum and maximum of every
 * channel over each bucket of 256 frames (the last bucket covers the frames
 * that remain) and writes them in the version-2 peak layout, byte for byte
 * what sundra-cli peaks writes at its default zoom.
 *
 *   plain_peaks ALBUM.wav OUT.dat
 */
#define _FILE_OFFSET_BITS 64
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kHeader = 44, kBucket = 256, kBlockFrames = 1 << 18, kMaxChannels = 16 };

static void put32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: plain_peaks ALBUM.wav OUT.dat\n");
        return 1;
    }
    int fd = open(argv[1], O_RDONLY);
    if (fd < 0) {
        perror(argv[1]);
        return 1;
    }
    unsigned char header[kHeader];
    if (read(fd, header, kHeader) != kHeader) {
        fprintf(stderr, "%s: no header\n", argv[1]);
        return 1;
    }
    const int channels = header[22] | header[23] << 8;
    const uint32_t rate = header[24] | header[25] << 8 | header[26] << 16 | (uint32_t)header[27] << 24;
    if (channels < 1 || channels > kMaxChannels || (header[34] | header[35] << 8) != 16) {
        fprintf(stderr, "%s: not 16-bit\n", argv[1]);
        return 1;
    }
    FILE* out = fopen(argv[2], "wb");
    if (out == NULL) {
        perror(argv[2]);
        return 1;
    }
    unsigned char head[24];
    put32(head, 2);
    put32(head + 4, 0);
    put32(head + 8, rate);
    put32(head + 12, kBucket);
    put32(head + 16, 0);
    put32(head + 20, (uint32_t)channels);
    fwrite(head, 1, sizeof head, out);

    int16_t* block = malloc((size_t)kBlockFrames * channels * 2);
    int16_t lo[kMaxChannels], hi[kMaxChannels];
    int filled = 0;
    uint32_t buckets = 0;
    for (int c = 0; c < channels; ++c) {
        lo[c] = 32767;
        hi[c] = -32768;
    }
    for (;;) {
        ssize_t got = read(fd, block, (size_t)kBlockFrames * channels * 2);
        if (got <= 0)
            break;
        const int frames = (int)(got / (channels * 2));
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c) {
                const int16_t v = block[f * channels + c];
                if (v < lo[c])
                    lo[c] = v;
                if (v > hi[c])
                    hi[c] = v;
            }
            if (++filled == kBucket) {
                for (int c = 0; c < channels; ++c) {
                    fwrite(&lo[c], 2, 1, out);
                    fwrite(&hi[c], 2, 1, out);
                    lo[c] = 32767;
                    hi[c] = -32768;
                }
                filled = 0;
                ++buckets;
            }
        }
    }
    if (filled > 0) {
        for (int c = 0; c < channels; ++c) {
            fwrite(&lo[c], 2, 1, out);
            fwrite(&hi[c], 2, 1, out);
        }
        ++buckets;
    }
    put32(head + 16, buckets);
    fseek(out, 0, SEEK_SET);
    fwrite(head, 1, sizeof head, out);
    fclose(out);
    free(block);
    close(fd);
    return 0;
}
