#include "app/Form1.h"

#include "app/AppContext.h"

Form1::Form1(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form1");
}

void Form1::Form1_Form_Load() {}
void Form1::RefreshMaterialList() {}
