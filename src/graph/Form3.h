#pragma once

#include <QWidget>

struct AppContext;
class QPushButton;
class QtCanvas;

/// The enlarged view: one large picture that collects the curves of several materials, with
/// buttons to save it as a bitmap and to close (and empty) it.
class Form3 : public QWidget {
    Q_OBJECT

  public:
    explicit Form3(AppContext& context, QWidget* parent = nullptr);
    /// Redraws the empty frame of the enlarged view, clears its caption and marks the view
    /// empty (EnlargedViewUsed 0). Does not show or hide the window.
    void DrawEnlargedFrame();

    /// Save as a BMP image: opens the image save dialog, or says that nothing is drawn yet.
    void Form3_Command1_Click();
    /// Close: empties the view, hides the window and restores the graph window's button.
    void Form3_Command2_Click();

    QtCanvas* Picture1; ///< the enlarged-view picture, 909 x 861 pixels; its image is saved
    QPushButton* Command1;
    QPushButton* Command2;

  private:
    AppContext& m_context;
};
