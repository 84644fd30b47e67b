#pragma once

#include "platform/FileSystem.h"

#include <string>

namespace zelvo {

// Receives one pair record per twin the analysis finds (reference with twin).
// The activity log implements it; it handles its own log failure and returns
// NotFound only when a described file has vanished.
class PairRecorder {
public:
    virtual ~PairRecorder() = default;
    virtual FileError RegistroPar(const std::string& referencePath, ByteCount referenceSize,
                                  const std::string& twinPath) = 0;
};

} // namespace zelvo
