#include "newdata/Form5.h"

#include "app/AppContext.h"

Form5::Form5(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form5");
}
