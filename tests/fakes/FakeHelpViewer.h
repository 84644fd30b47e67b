#pragma once

#include "platform/HelpViewer.h"

#include <string>
#include <vector>

namespace zelvo {

// Records every request handed to the help viewer and shows nothing.
class FakeHelpViewer : public HelpViewer {
  public:
    struct Request {
        std::string helpFile;
        int command = 0;
        bool operator==(const Request&) const = default;
    };

    void show(const std::string& helpFile, int command) override
    {
        m_requests.push_back({helpFile, command});
    }

    const std::vector<Request>& requests() const { return m_requests; }

  private:
    std::vector<Request> m_requests;
};

} // namespace zelvo
