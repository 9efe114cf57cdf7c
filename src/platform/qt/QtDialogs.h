#pragma once

#include "platform/Dialogs.h"

class QWidget;

/// Message and input boxes as real modal Qt dialogs.
class QtDialogs : public platform::Dialogs {
  public:
    platform::MessageResult MessageBox(const std::string& text, const std::string& title,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override;
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override;
};
