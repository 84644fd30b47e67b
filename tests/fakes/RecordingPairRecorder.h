#pragma once

#include "core/PairRecorder.h"

#include <deque>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace zelvo {

// Reference path, reference size, twin path: one pair record.
using RecordedPair = std::tuple<std::string, ByteCount, std::string>;

// Records every pair handed over and answers from a script (None once the
// script is used up). A hook lets a test act at the moment of a record.
class RecordingPairRecorder : public PairRecorder {
public:
    FileError RegistroPar(const std::string& referencePath, ByteCount referenceSize,
                          const std::string& twinPath) override
    {
        pairs.emplace_back(referencePath, referenceSize, twinPath);
        if (onRecord)
            onRecord();
        if (answers.empty())
            return FileError::None;
        const FileError answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<RecordedPair> pairs;
    std::deque<FileError> answers;
    std::function<void()> onRecord;
};

} // namespace zelvo
