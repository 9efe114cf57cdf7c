#pragma once

#include "app/AppContext.h"

#include <memory>

/// Creates every window once, hands each the shared context and runs the start-up sequence.
/// The windows are owned here and live as long as the application.
class Application {
  public:
    explicit Application(AppContext& context);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    /// Runs the main window's start-up: either the main window or the start notice is shown.
    void Start();

  private:
    AppContext& m_context;
    std::unique_ptr<Form10> m_form10;
    std::unique_ptr<GeometryWindow> m_geometry;
    std::unique_ptr<ShieldingWindow> m_shielding;
    std::unique_ptr<AttenuationWindow> m_attenuation;
    std::unique_ptr<Form4> m_form4;
    std::unique_ptr<Form6> m_form6;
    std::unique_ptr<Form5> m_form5;
    std::unique_ptr<Form3> m_form3;
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<Form7> m_form7;
    std::unique_ptr<Form8> m_form8;
    std::unique_ptr<Form9> m_form9;
    std::unique_ptr<Form1> m_form1;
};
