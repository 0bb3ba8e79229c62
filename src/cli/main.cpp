#include <malloc.h>

#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
    // A run lives a fraction of a second and passes a workbook through several buffers of
    // megabytes: freed ones are kept for the next rather than handed back to the system and
    // faulted in again, page by page.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    std::vector<std::string> args(argv + 1, argv + argc);
    return zivron::cli::Run(args, std::cout, std::cerr);
}
