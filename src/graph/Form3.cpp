#include "graph/Form3.h"

#include "app/AppContext.h"

Form3::Form3(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form3");
}

void Form3::DrawEnlargedFrame() {}
