#include "app/Form9.h"

#include "app/AppContext.h"

Form9::Form9(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form9");
}
