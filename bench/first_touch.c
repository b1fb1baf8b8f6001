/* How dear the first write to fresh memory is on this machine, against a second write.
 *
 *     cc -O2 bench/first_touch.c -o /tmp/first_touch && /tmp/first_touch [MiB] [small]
 *
 * Maps MiB (default 200) of anonymous memory on huge pages ("small": on 4 KiB pages), writes
 * one byte in every page, then writes all of it again. Run it twice back to back and then
 * after a pause of a few seconds: a guest that hands its free memory back to the host is
 * fast the first time only while the memory it gets was in use a moment before. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

int main(int argc, char** argv) {
    const size_t mib = argc > 1 ? (size_t)strtoul(argv[1], NULL, 10) : 200;
    const int small = argc > 2 && strcmp(argv[2], "small") == 0;
    const size_t bytes = mib << 20;
    const double t0 = Now();
    char* p = mmap(NULL, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        perror("mmap");
        return 1;
    }
    if (!small) {
        (void)madvise(p, bytes, MADV_HUGEPAGE);
    }
    for (size_t i = 0; i < bytes; i += 4096) {
        p[i] = 1;
    }
    const double t1 = Now();
    memset(p, 2, bytes);
    const double t2 = Now();
    printf("%zu MiB on %s pages: first write %.1f ms (%.2f GB/s), second write %.1f ms\n", mib,
           small ? "4 KiB" : "huge", (t1 - t0) * 1e3, (double)bytes / (t1 - t0) / 1e9,
           (t2 - t1) * 1e3);
    munmap(p, bytes);
    return 0;
}
