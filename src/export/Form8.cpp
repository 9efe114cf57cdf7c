#include "export/Form8.h"

#include "app/AppContext.h"

Form8::Form8(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form8");
}

void Form8::PrepareAndShow() {}
