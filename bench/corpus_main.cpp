// zelvo-corpus: writes one deterministic benchmark folder.
#include "CorpusGenerator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace {

int usage(int status)
{
    std::fprintf(status == 0 ? stdout : stderr,
                 "usage: zelvo-corpus --shape SHAPE --folder FOLDER [--seed N] [--scale X]\n"
                 "Writes a flat folder of generated files; the same options give the same files.\n"
                 "The folder is created when absent and must otherwise be empty.\nShapes:\n");
    for (const auto& shape : zelvo::bench::corpusShapes())
        std::fprintf(status == 0 ? stdout : stderr, "  %-8s %s\n", shape.name, shape.description);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    zelvo::bench::CorpusOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h")
            return usage(0);
        if (i + 1 >= argc)
            return usage(2);
        const char* value = argv[++i];
        char* end = nullptr;
        if (argument == "--shape") {
            options.shape = value;
        } else if (argument == "--folder") {
            options.folder = value;
        } else if (argument == "--seed") {
            options.seed = std::strtoull(value, &end, 10);
            if (*end != '\0')
                return usage(2);
        } else if (argument == "--scale") {
            options.scale = std::strtod(value, &end);
            if (*end != '\0')
                return usage(2);
        } else {
            return usage(2);
        }
    }
    if (options.shape.empty() || options.folder.empty())
        return usage(2);

    const auto start = std::chrono::steady_clock::now();
    try {
        const auto summary = zelvo::bench::generateCorpus(options);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("%s: %llu files, %llu bytes in %s (%.1f s)\n", options.shape.c_str(),
                    static_cast<unsigned long long>(summary.files),
                    static_cast<unsigned long long>(summary.bytes), options.folder.c_str(), took.count());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zelvo-corpus: %s\n", error.what());
        return 1;
    }
    return 0;
}
