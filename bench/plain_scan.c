/* plain_scan: the baseline that sundra-cli split is measured against. A plain C
 * pass over a canonical 44.1 kHz stereo 16-bit WAV file: it reads the samples in
 * 44100-byte blocks (a quarter second), tests every frame of every block against
 * the default sense level (mean of the two channels above 0.05 of full scale),
 * and cuts pieces with the default rules (a pause is 5 quiet blocks, pauses are
 * left out, a piece must be longer than one second). It prints the pieces'
 * frame ranges. With --write DIR it then copies every piece into DIR as its own
 * WAV file with a 44-byte header, through one-second buffers.
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
    kHeader = 44,
    kFrameBytes = 4,
    kBlockBytes = 44100,
    kBlockFrames = kBlockBytes / kFrameBytes,
    kPauseBlocks = 5,
    kMinimumFrames = 44100,
    kCopyBytes = 176400,
    kMaxPieces = 100000,
};

/* A frame is loud when (l + r) / 2 / 32768 > 0.05, that is l + r >= 3277. */
static int loudFrames(const int16_t* samples, int frames) {
    int loud = 0;
    for (int i = 0; i < frames; ++i)
        loud += (samples[2 * i] + samples[2 * i + 1]) >= 3277;
    return loud;
}

static void put32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

static void header(unsigned char* h, uint32_t dataBytes) {
    memcpy(h,
           "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data",
           40);
    put32(h + 4, dataBytes + 36);
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
    static int16_t block[kBlockBytes / 2];
    static int64_t starts[kMaxPieces], ends[kMaxPieces];
    int pieces = 0;
    int64_t frame = 0, soundStart = -1;
    int quiet = 0;
    lseek(fd, kHeader, SEEK_SET);
    for (;;) {
        ssize_t got = read(fd, block, kBlockBytes);
        if (got <= 0)
            break;
        int frames = (int)(got / kFrameBytes);
        int loud = loudFrames(block, frames);
        if (loud > 0) {
            if (soundStart < 0)
                soundStart = frame;
            quiet = 0;
        } else if (soundStart >= 0 && ++quiet == kPauseBlocks) {
            int64_t end = frame + frames - (int64_t)kPauseBlocks * kBlockFrames;
            if (end - soundStart > kMinimumFrames && pieces < kMaxPieces) {
                starts[pieces] = soundStart;
                ends[pieces++] = end;
            }
            soundStart = -1;
            quiet = 0;
        }
        frame += frames;
    }
    if (soundStart >= 0) {
        int64_t end = frame - (int64_t)(kPauseBlocks - 1) * kBlockFrames;
        if (end - soundStart > kMinimumFrames && pieces < kMaxPieces) {
            starts[pieces] = soundStart;
            ends[pieces++] = end;
        }
    }
    for (int i = 0; i < pieces; ++i)
        printf("%d\t%lld\t%lld\n", i, (long long)starts[i], (long long)ends[i]);

    if (argc == 4) {
        static char copy[kCopyBytes];
        for (int i = 0; i < pieces; ++i) {
            char path[4096];
            snprintf(path, sizeof path, "%s/plain-%02d.wav", argv[3], i);
            int out = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (out < 0) {
                perror(path);
                return 1;
            }
            int64_t bytes = (ends[i] - starts[i]) * kFrameBytes;
            unsigned char h[kHeader];
            header(h, (uint32_t)bytes);
            if (writeAll(out, h, kHeader) != 0)
                return 1;
            off_t at = kHeader + starts[i] * kFrameBytes;
            while (bytes > 0) {
                size_t want = bytes < kCopyBytes ? (size_t)bytes : kCopyBytes;
                ssize_t got = pread(fd, copy, want, at);
                if (got <= 0 || writeAll(out, copy, (size_t)got) != 0)
                    return 1;
                at += got;
                bytes -= got;
            }
            close(out);
        }
    }
    close(fd);
    return 0;
}
