#include "graph/Go.h"

#include "app/AppContext.h"
#include "calc/Form10.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "data/NumberMask.h"
#include "graph/Form2.h"
#include "graph/Plots.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "platform/qt/QtCanvas.h"

#include <QPushButton>

#include <string>

namespace graph {

namespace {

// Title of the graph and calculator windows: " Water   Density = 1.000 [g/cm3]".
QString WindowCaption(const data::MaterialTable& table, double density) {
    return QString::fromStdString(" " + table.MaterialName +
                                  "   Density = " + data::FormatDensityShown(density) + " [g/cm3]");
}

void DrawPlots(Form2& form2, const data::MaterialTable& table) {
    DrawGraphPlot(*form2.Picture1, table);
    form2.Line1->SetVisible(false);
    form2.Line2->SetVisible(false);
    form2.Line3->SetVisible(false);
    form2.Line4->SetVisible(false);
    DrawFractionPlot(*form2.Picture2, table);
}

} // namespace

bool RunGo(AppContext& context) {
    data::MaterialTable& table = context.table;
    if (table.SelectedPath.empty()) {
        context.dialogs.Message("Select material ");
        return false;
    }

    // The extremes restart with this load; a failed load puts them back, so that the table is
    // left exactly as it was (the load itself only commits a complete file).
    const double previousMin = table.TotalMin;
    const double previousMax = table.TotalMax;
    table.ResetExtremes();
    const data::LoadResult loaded = data::LoadMaterialTable(table, context.root);
    if (!loaded.ok()) {
        table.TotalMin = previousMin;
        table.TotalMax = previousMax;
        context.dialogs.Message(" The material file could not be loaded: " +
                                data::DescribeLoadError(loaded, table.SelectedPath) + " ");
        return false;
    }
    data::ComputeFractions(table);

    Form2& form2 = *context.windows.form2;
    Form10& form10 = *context.windows.form10;
    // Until the new plots are up, the button would add the new table under the old caption.
    form2.Command1->setEnabled(false);
    form10.ShowTable(table);
    const QString caption = WindowCaption(table, loaded.density);
    form10.setWindowTitle(caption);

    context.launcher.ProcessEventsOnce();

    form2.setWindowTitle(caption);
    DrawPlots(form2, table);
    form2.Command1->setText(table.EnlargedViewUsed != 0 ? "Add to Enlarged View" : "Enlarged View");
    form2.Command1->setEnabled(true);
    form2.show();
    form10.show();
    return true;
}

} // namespace graph
