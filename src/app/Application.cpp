#include "app/Application.h"

#include "app/Form1.h"
#include "app/Form9.h"
#include "attenuation/AttenuationWindow.h"
#include "calc/Form10.h"
#include "export/Form7.h"
#include "export/Form8.h"
#include "geometry/GeometryWindow.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "newdata/Form4.h"
#include "newdata/Form5.h"
#include "newdata/Form6.h"
#include "shielding/ShieldingWindow.h"

Application::Application(AppContext& context)
    : m_context(context), m_form10(std::make_unique<Form10>(context)),
      m_geometry(std::make_unique<GeometryWindow>(context)),
      m_shielding(std::make_unique<ShieldingWindow>(context)),
      m_attenuation(std::make_unique<AttenuationWindow>(context)),
      m_form4(std::make_unique<Form4>(context)), m_form6(std::make_unique<Form6>(context)),
      m_form5(std::make_unique<Form5>(context)), m_form3(std::make_unique<Form3>(context)),
      m_form2(std::make_unique<Form2>(context)), m_form7(std::make_unique<Form7>(context)),
      m_form8(std::make_unique<Form8>(context)), m_form9(std::make_unique<Form9>(context)),
      m_form1(std::make_unique<Form1>(context)) {
    Windows& w = m_context.windows;
    w.form1 = m_form1.get();
    w.form2 = m_form2.get();
    w.form3 = m_form3.get();
    w.form4 = m_form4.get();
    w.form5 = m_form5.get();
    w.form6 = m_form6.get();
    w.form7 = m_form7.get();
    w.form8 = m_form8.get();
    w.form9 = m_form9.get();
    w.form10 = m_form10.get();
    w.attenuation = m_attenuation.get();
    w.shielding = m_shielding.get();
    w.geometry = m_geometry.get();
    QObject::connect(m_attenuation.get(), &AttenuationWindow::ShieldingRequested, m_shielding.get(),
                     &ShieldingWindow::ShowFor);
    QObject::connect(m_shielding.get(), &ShieldingWindow::GeometryRequested, m_geometry.get(),
                     &GeometryWindow::ShowWindow);
    m_context.returnToMainWindow = [main = m_form1.get()](bool listsChanged) {
        if (listsChanged) {
            main->RefreshMaterialList();
        }
        main->show();
    };
}

Application::~Application() {
    m_context.windows = Windows{};
    m_context.returnToMainWindow = nullptr;
}

void Application::Start() { m_form1->Form1_Form_Load(); }
