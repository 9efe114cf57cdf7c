#include "graph/Form2.h"

#include "app/AppContext.h"

Form2::Form2(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form2");
}
