#include "app/Form9.h"

#include "app/AppContext.h"
#include "platform/Launcher.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {

/// The notice's decorative shape: a rounded sign with an exclamation mark.
class NoticeShape : public QWidget {
  public:
    explicit NoticeShape(QWidget* parent) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const int side = fontMetrics().height() * 3;
        return {side, side};
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF area = QRectF(rect()).adjusted(2, 2, -2, -2);
        const double u = area.width() / 10.0;
        p.setPen(QPen(QColor(40, 80, 160), std::max(1.0, u * 0.5)));
        p.setBrush(QColor(225, 235, 250));
        p.drawRoundedRect(area, 2 * u, 2 * u);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 80, 160));
        p.drawRoundedRect(
            QRectF(area.center().x() - 0.6 * u, area.top() + 1.8 * u, 1.2 * u, 4.4 * u), 0.5 * u,
            0.5 * u);
        p.drawEllipse(QPointF(area.center().x(), area.bottom() - 2.2 * u), 0.7 * u, 0.7 * u);
    }
};

} // namespace

Form9::Form9(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form9");
    setWindowTitle(QString());

    Shape1 = new NoticeShape(this);
    Shape1->setObjectName("Shape1");
    Label1 = new QLabel(QStringLiteral("Please start from \"Zelna_D7IR.exe\""), this);
    Label1->setObjectName("Label1");
    Command1 = new QPushButton("OK", this);
    Command1->setObjectName("Command1");
    Command1->setAutoDefault(true);
    Command1->setDefault(true);

    const int gap = fontMetrics().height();
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(gap * 2, gap * 2, gap * 2, gap);
    grid->setHorizontalSpacing(gap * 2);
    grid->setVerticalSpacing(gap);
    grid->addWidget(Shape1, 0, 0);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(Command1, 1, 0, 1, 2, Qt::AlignHCenter);
    Command1->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("OK")) + gap * 5);

    connect(Command1, &QPushButton::clicked, this, &Form9::Form9_Command1_Click);
}

void Form9::Form9_Command1_Click() {
    m_ending = true;
    m_context.launcher.EndProgram();
}

void Form9::closeEvent(QCloseEvent* event) {
    // Closing the notice by its title bar ends the program as its button does.
    event->accept();
    if (!m_ending) {
        Form9_Command1_Click();
    }
}
