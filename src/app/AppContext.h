#pragma once

#include <filesystem>
#include <functional>

namespace data {
struct MaterialTable;
}
namespace newdata {
struct BuilderState;
}
namespace platform {
class Dialogs;
class Launcher;
} // namespace platform

class Form1;
class Form2;
class Form3;
class Form4;
class Form5;
class Form6;
class Form7;
class Form8;
class Form9;
class Form10;
class AttenuationWindow;
class ShieldingWindow;
class GeometryWindow;

/// Every window of the program, each created once and then only shown and hidden.
struct Windows {
    Form1* form1 = nullptr;
    Form2* form2 = nullptr;
    Form3* form3 = nullptr;
    Form4* form4 = nullptr;
    Form5* form5 = nullptr;
    Form6* form6 = nullptr;
    Form7* form7 = nullptr;
    Form8* form8 = nullptr;
    Form9* form9 = nullptr;
    Form10* form10 = nullptr;
    AttenuationWindow* attenuation = nullptr; ///< opened from the main window's lists
    ShieldingWindow* shielding = nullptr;     ///< opened from the Attenuation window
    GeometryWindow* geometry = nullptr;       ///< opened from the Shielding window
};

/// What the windows share: the run-long state, the dialogs and launcher, the working folder
/// (holding Start.dat, ele/ and mix/) and each other.
struct AppContext {
    data::MaterialTable& table;
    newdata::BuilderState& builder;
    platform::Dialogs& dialogs;
    platform::Launcher& launcher;
    std::filesystem::path root;
    Windows windows{};
    /// Shows the main window again when the new-data windows close; `listsChanged` after a new
    /// file was saved, so that its lists are read again first. Set by the application.
    std::function<void(bool listsChanged)> returnToMainWindow{};
};
