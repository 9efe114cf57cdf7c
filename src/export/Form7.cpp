#include "export/Form7.h"

#include "app/AppContext.h"

Form7::Form7(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form7");
}

void Form7::PrepareAndShow() {}
