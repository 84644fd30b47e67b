#pragma once

#include <string>

namespace zelvo {

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// A modal question or notice. Texts are UTF-8; lines are joined exactly as the
// caller gives them. The first button is the default one. Closing the box
// without a choice answers Cancel (or No).
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual MessageAnswer show(const std::string& text, const std::string& title,
                               MessageButtons buttons, MessageIcon icon) = 0;
};

} // namespace zelvo
