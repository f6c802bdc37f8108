// thumbs-completion FILE: writes the bash completion of stillreel-thumbs, made from its option table,
// for the build to install.
#include "cli/completion.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: thumbs-completion FILE\n");
        return 2;
    }
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file << thumbs::BashCompletion();
    file.close();
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
