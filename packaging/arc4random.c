/* Linked into the release archive's programs only. They carry their own C++
   library, and its std::random_device asks for arc4random, which came with
   glibc 2.36; nothing here draws from it, but the reference alone would keep
   the programs from starting on the older C libraries the archive is made
   for. This one reads the same kernel source through getrandom (glibc 2.25)
   and, like glibc's, never returns without a value. Hidden, so that the
   libraries loaded beside the programs keep the system's own. */
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/random.h>

__attribute__((visibility("hidden"))) uint32_t arc4random(void)
{
    uint32_t value;
    for (;;) {
        ssize_t got = getrandom(&value, sizeof value, 0);
        if (got == (ssize_t)sizeof value)
            return value;
        if (got < 0 && errno != EINTR)
            break;
    }
    FILE *source = fopen("/dev/urandom", "rb");
    if (source && fread(&value, sizeof value, 1, source) == 1) {
        fclose(source);
        return value;
    }
    abort();
}
