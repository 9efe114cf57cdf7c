#pragma once

#include "platform/Dialogs.h"
#include "platform/Launcher.h"

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testing {

/// A message box or input box the program would have shown.
struct ShownDialog {
    bool isInput = false;
    std::string text; ///< message text or input prompt
    std::string title;
    platform::MessageButtons buttons = platform::MessageButtons::Ok;
    platform::MessageIcon icon = platform::MessageIcon::None;
    std::string defaultAnswer;
};

/// Records every dialog and answers from a script; never blocks. An OK/Cancel box with no
/// scripted answer left answers OK; an input box with none answers empty (cancelled).
class ScriptedDialogs : public platform::Dialogs {
  public:
    std::vector<ShownDialog> shown;
    std::deque<platform::MessageResult> messageAnswers;
    std::deque<std::string> inputAnswers;

    platform::MessageResult MessageBox(const std::string& text, const std::string& title,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override {
        shown.push_back({false, text, title, buttons, icon, {}});
        const auto ok = platform::MessageResult::Ok;
        return buttons == platform::MessageButtons::Ok ? ok : next(messageAnswers, ok);
    }
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override {
        shown.push_back({true, prompt, title, {}, {}, defaultAnswer});
        return next(inputAnswers, std::string());
    }

    /// The message texts shown, in order (input prompts excluded).
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const ShownDialog& d : shown) {
            if (!d.isInput) {
                out.push_back(d.text);
            }
        }
        return out;
    }

  private:
    template <typename T> static T next(std::deque<T>& answers, T none) {
        if (answers.empty()) {
            return none;
        }
        T answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

/// Records the programs started and whether the program was ended; the event loop pass runs
/// a hook a test may set.
class RecordingLauncher : public platform::Launcher {
  public:
    std::vector<std::string> started;
    int endRequests = 0;
    int eventPasses = 0;
    /// Runs during each event-loop pass, standing in for the clicks that arrive then.
    std::function<void()> onEventPass;

    void StartProgram(const std::string& fileName) override { started.push_back(fileName); }
    void EndProgram() override { ++endRequests; }
    void ProcessEventsOnce() override {
        ++eventPasses;
        if (onEventPass) {
            onEventPass();
        }
    }
};

} // namespace testing
