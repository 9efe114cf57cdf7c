#include "newdata/Form4.h"

#include "app/AppContext.h"

Form4::Form4(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form4");
}

void Form4::SetElementFolder(const std::filesystem::path&) {}
