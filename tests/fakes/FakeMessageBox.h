#pragma once

#include "platform/MessageBox.h"

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

namespace zelvo {

// One message box as a test saw it.
struct MessageBoxCall {
    std::string text;
    std::string title;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
};

// A message box that never blocks: it records every call and answers from a
// script. With the script used up it presses the first button (Ok or Yes), as
// a user who just hits Enter would.
class FakeMessageBox : public MessageBox {
public:
    void scriptAnswer(MessageAnswer answer) { m_script.push_back(answer); }
    void scriptAnswers(std::initializer_list<MessageAnswer> answers)
    {
        m_script.insert(m_script.end(), answers.begin(), answers.end());
    }

    MessageAnswer show(const std::string& text, const std::string& title, MessageButtons buttons,
                       MessageIcon icon) override
    {
        m_calls.push_back({text, title, buttons, icon});
        if (m_script.empty())
            return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
        MessageAnswer answer = m_script.front();
        m_script.pop_front();
        return answer;
    }

    const std::vector<MessageBoxCall>& calls() const { return m_calls; }
    std::size_t callCount() const { return m_calls.size(); }
    // Only meaningful when callCount() > 0.
    const MessageBoxCall& lastCall() const { return m_calls.back(); }
    std::size_t unusedAnswers() const { return m_script.size(); }
    void clear()
    {
        m_calls.clear();
        m_script.clear();
    }

private:
    std::deque<MessageAnswer> m_script;
    std::vector<MessageBoxCall> m_calls;
};

} // namespace zelvo
