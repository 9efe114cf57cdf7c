#pragma once

#include <string>

namespace platform {

enum class MessageButtons { Ok, OkCancel };
enum class MessageIcon { None, Exclamation };
enum class MessageResult { Ok, Cancel };

/// The title message boxes carry unless a window gives another.
inline constexpr const char* kApplicationTitle = "Zelna7LL_sub1";

/// Modal message and input boxes. Tests script them; the program shows real ones.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual MessageResult MessageBox(const std::string& text, const std::string& title,
                                     MessageButtons buttons, MessageIcon icon) = 0;
    /// The typed answer; an empty text when the box is cancelled.
    virtual std::string InputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultAnswer) = 0;

    /// The common case: OK only, the application's title.
    MessageResult Message(const std::string& text, MessageIcon icon = MessageIcon::Exclamation) {
        return MessageBox(text, kApplicationTitle, MessageButtons::Ok, icon);
    }
};

} // namespace platform
