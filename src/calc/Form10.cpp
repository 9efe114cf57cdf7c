#include "calc/Form10.h"

#include "app/AppContext.h"

Form10::Form10(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form10");
}

void Form10::PrepareAtStartup() {}
