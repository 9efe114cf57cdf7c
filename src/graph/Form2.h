#pragma once

#include <QWidget>

struct AppContext;
class CanvasLine;
class QPushButton;
class QtCanvas;

/// The graph window: the log-log plot of the loaded material's six coefficients, the plot of
/// each process's share below it, the read-out's cross-hair lines and the enlarged-view button.
class Form2 : public QWidget {
    Q_OBJECT

  public:
    explicit Form2(AppContext& context, QWidget* parent = nullptr);

    /// Draws the loaded material into the enlarged view (adding it when the view already holds
    /// curves), shows that window and disables this button until the next load or Close.
    void Form2_Command1_Click();
    /// Mouse read-out over the log-log plot: x and y in its user units; button and shift unused.
    void Form2_Picture1_MouseMove(int button, int shift, float x, float y);
    /// Mouse read-out over the fraction plot.
    void Form2_Picture2_MouseMove(int button, int shift, float x, float y);

    QtCanvas* Picture1; ///< log-log plot, 661 x 629 pixels
    QtCanvas* Picture2; ///< fraction plot, 661 x 277 pixels
    CanvasLine* Line1;  ///< vertical cross-hair in Picture1, y from 0 to 18.4
    CanvasLine* Line2;  ///< horizontal cross-hair in Picture1, x from 0 to 11.5
    CanvasLine* Line3;  ///< vertical cross-hair in Picture2, y from 0 to 10
    CanvasLine* Line4;  ///< horizontal cross-hair in Picture2, x from 0 to 11.5
    QPushButton* Command1;

  private:
    void HideCrossHairs();

    AppContext& m_context;
};
