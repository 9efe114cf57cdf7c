#include "newdata/Form6.h"

#include "app/AppContext.h"

Form6::Form6(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form6");
}

void Form6::SetElementFolder(const std::filesystem::path&) {}
