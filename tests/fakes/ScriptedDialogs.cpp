#include "fakes/ScriptedDialogs.h"

namespace testing {

platform::MessageResult ScriptedDialogs::MessageBox(const std::string& text,
                                                    const std::string& title,
                                                    platform::MessageButtons buttons,
                                                    platform::MessageIcon icon) {
    shown.push_back({false, text, title, buttons, icon, {}});
    if (buttons == platform::MessageButtons::Ok || messageAnswers.empty()) {
        return platform::MessageResult::Ok;
    }
    const platform::MessageResult answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

std::string ScriptedDialogs::InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultAnswer) {
    shown.push_back({true, prompt, title, platform::MessageButtons::Ok, platform::MessageIcon::None,
                     defaultAnswer});
    if (inputAnswers.empty()) {
        return {};
    }
    std::string answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

std::vector<std::string> ScriptedDialogs::messages() const {
    std::vector<std::string> out;
    for (const auto& d : shown) {
        if (!d.isInput) {
            out.push_back(d.text);
        }
    }
    return out;
}

} // namespace testing
