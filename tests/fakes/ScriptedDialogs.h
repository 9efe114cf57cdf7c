#pragma once

#include "platform/Dialogs.h"
#include "platform/Launcher.h"

#include <deque>
#include <functional>
#include <string>
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
                                       platform::MessageIcon icon) override;
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override;

    /// The message texts shown, in order (input prompts excluded).
    std::vector<std::string> messages() const;
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
