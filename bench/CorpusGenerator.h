#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelvo::bench {

// What to generate: one flat folder of one shape. The scale multiplies the
// number of files (photos, onesize, tiny, million) or their sizes (large).
struct CorpusOptions {
    std::string shape;
    std::string folder;
    std::uint64_t seed = 1;
    double scale = 1.0;
};

struct CorpusSummary {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// The shapes, each with a line saying what it is.
struct CorpusShape {
    const char* name;
    const char* description;
};
const std::vector<CorpusShape>& corpusShapes();

// Writes the corpus into the folder, which is created when absent and must
// otherwise be empty (nothing is ever overwritten). The same options always
// give byte-identical files under the same names. No name starts with a dot
// and every name has an extension, so every file matches "*.*". Throws
// std::runtime_error on a bad option or a failed write.
CorpusSummary generateCorpus(const CorpusOptions& options);

} // namespace zelvo::bench
