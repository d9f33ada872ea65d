/* plain_scan: the baseline that sundra-cli split is measured against. A plain C
 * pass over a stereo WAV file of 16- or 24-bit samples (any rate; RIFF or RF64,
 * any header): it reads the samples in quarter-second blocks of whole frames,
 * tests every frame of every block against the default sense level (either
 * channel's magnitude above 0.05 of full scale), and cuts pieces with the default
 * rules (a pause is 5 quiet blocks, pauses are left out, a piece must be longer
 * than one second). It prints the pieces' frame ranges. With --write DIR it
 * then copies every piece into DIR as its own WAV file with a 44-byte header,
 * through one-second buffers.
 *
 *   plain_scan ALBUM.wav [--write DIR]
 */
#define _FILE_OFFSET_BITS 64
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum {
    kPauseBlocks = 5,
    kMaxPieces = 100000,
};

static uint32_t get16(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

static uint32_t get32(const unsigned char* p) {
    return get16(p) | get16(p + 2) << 16;
}

/* A frame is loud when max(|l|, |r|) / 2^(bits-1) > 0.05, that is when either
 * sample lies at least `least` (the first whole number above 0.05 x 2^(bits-1))
 * away from 0; a block is loud when any of its samples is. These count the
 * loud samples of a block. */
static int loudSamples16(const unsigned char* bytes, int frames, int32_t least) {
    const int16_t* samples = (const int16_t*)bytes;
    int loud = 0;
    for (int i = 0; i < 2 * frames; ++i)
        loud += abs(samples[i]) >= least;
    return loud;
}

static int32_t sample24(const unsigned char* p) {
    return (int32_t)((uint32_t)p[0] << 8 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 24) >> 8;
}

static int loudSamples24(const unsigned char* bytes, int frames, int32_t least) {
    int loud = 0;
    for (int i = 0; i < 2 * frames; ++i) {
        const int32_t sample = sample24(bytes + 3 * i);
        loud += abs(sample) >= least;
    }
    return loud;
}

static void put16(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

static void put32(unsigned char* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

static void header(unsigned char* h, uint32_t dataBytes, uint32_t rate, int bits) {
    const uint32_t align = (uint32_t)(bits / 8 * 2);
    memcpy(h, "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0", 24);
    put32(h + 4, dataBytes + 36);
    put32(h + 24, rate);
    put32(h + 28, rate * align);
    put16(h + 32, align);
    put16(h + 34, (uint32_t)bits);
    memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
}

static int writeAll(int fd, const void* data, size_t size) {
    const char* p = data;
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n <= 0)
            return -1;
        p += n;
        size -= (size_t)n;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && strcmp(argv[2], "--write") == 0)) {
        fprintf(stderr, "usage: plain_scan ALBUM.wav [--write DIR]\n");
        return 1;
    }
    int fd = open(argv[1], O_RDONLY);
    if (fd < 0) {
        perror(argv[1]);
        return 1;
    }
    /* The chunks up to "data": the format and where the samples begin. */
    unsigned char head[4096];
    ssize_t headBytes = read(fd, head, sizeof head);
    int bits = 0, channels = 0;
    uint32_t rate = 0;
    long dataOffset = 0;
    for (long at = 12; at + 8 <= headBytes;) {
        const uint32_t size = get32(head + at + 4);
        if (memcmp(head + at, "fmt ", 4) == 0 && at + 24 <= headBytes) {
            channels = (int)get16(head + at + 10);
            rate = get32(head + at + 12);
            bits = (int)get16(head + at + 22);
        } else if (memcmp(head + at, "data", 4) == 0) {
            dataOffset = at + 8;
            break;
        }
        at += 8 + (long)size;
    }
    if (dataOffset == 0 || channels != 2 || (bits != 16 && bits != 24)) {
        fprintf(stderr, "%s: not a stereo 16- or 24-bit WAV file\n", argv[1]);
        return 1;
    }
    const int frameBytes = bits / 8 * 2;
    const long quarter = (long)rate * frameBytes / 4;
    const int blockFrames = (int)((quarter - 1) / frameBytes + 1);
    const int blockBytes = blockFrames * frameBytes;
    const int64_t minimumFrames = rate;
    const int32_t least = bits == 16 ? 1639 : 419431;

    unsigned char* block = malloc((size_t)blockBytes);
    static int64_t starts[kMaxPieces], ends[kMaxPieces];
    int pieces = 0;
    int64_t frame = 0, soundStart = -1;
    int quiet = 0;
    lseek(fd, dataOffset, SEEK_SET);
    for (;;) {
        ssize_t got = read(fd, block, (size_t)blockBytes);
        if (got <= 0)
            break;
        int frames = (int)(got / frameBytes);
        int loud =
            bits == 16 ? loudSamples16(block, frames, least) : loudSamples24(block, frames, least);
        if (loud > 0) {
            if (soundStart < 0)
                soundStart = frame;
            quiet = 0;
        } else if (soundStart >= 0 && ++quiet == kPauseBlocks) {
            int64_t end = frame + frames - (int64_t)kPauseBlocks * blockFrames;
            if (end - soundStart > minimumFrames && pieces < kMaxPieces) {
                starts[pieces] = soundStart;
                ends[pieces++] = end;
            }
            soundStart = -1;
            quiet = 0;
        }
        frame += frames;
    }
    if (soundStart >= 0) {
        int64_t end = frame - (int64_t)(kPauseBlocks - 1) * blockFrames;
        if (end - soundStart > minimumFrames && pieces < kMaxPieces) {
            starts[pieces] = soundStart;
            ends[pieces++] = end;
        }
    }
    for (int i = 0; i < pieces; ++i)
        printf("%d\t%lld\t%lld\n", i, (long long)starts[i], (long long)ends[i]);

    if (argc == 4) {
        const size_t copyBytes = (size_t)rate * (size_t)frameBytes;
        char* copy = malloc(copyBytes);
        for (int i = 0; i < pieces; ++i) {
            char path[4096];
            snprintf(path, sizeof path, "%s/plain-%02d.wav", argv[3], i);
            int out = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (out < 0) {
                perror(path);
                return 1;
            }
            int64_t bytes = (ends[i] - starts[i]) * frameBytes;
            unsigned char h[44];
            header(h, (uint32_t)bytes, rate, bits);
            if (writeAll(out, h, sizeof h) != 0)
                return 1;
            off_t at = dataOffset + starts[i] * frameBytes;
            while (bytes > 0) {
                size_t want = bytes < (int64_t)copyBytes ? (size_t)bytes : copyBytes;
                ssize_t got = pread(fd, copy, want, at);
                if (got <= 0 || writeAll(out, copy, (size_t)got) != 0)
                    return 1;
                at += got;
                bytes -= got;
            }
            close(out);
        }
        free(copy);
    }
    free(block);
    close(fd);
    return 0;
}
