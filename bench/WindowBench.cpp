// The drawing and the windows, headless: the enlarged view's frame and curves, GO end to end,
// and one mouse read-out event over the graph window.

#include "BenchSupport.h"
#include "Registry.h"

#include "app/AppContext.h"
#include "app/Application.h"
#include "calc/Interpolation.h"
#include "data/MaterialTable.h"
#include "graph/Form2.h"
#include "graph/Go.h"
#include "graph/Plots.h"
#include "newdata/BuilderState.h"
#include "platform/Dialogs.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtLauncher.h"

#include <QApplication>
#include <QMouseEvent>

#include <memory>
#include <vector>

namespace bench {

namespace {

// A case fails when the program would have shown a box; none blocks the run.
class SilentDialogs : public platform::Dialogs {
  public:
    platform::MessageResult MessageBox(const std::string& text, const std::string&,
                                       platform::MessageButtons, platform::MessageIcon) override {
        lastMessage = text;
        return platform::MessageResult::Ok;
    }
    std::string InputBox(const std::string&, const std::string&, const std::string&) override {
        return {};
    }

    std::string lastMessage;
};

// The whole program's windows on a private copy of the library, made as the program makes them.
struct Program {
    Program()
        : table(std::make_unique<data::MaterialTable>()),
          builder(std::make_unique<newdata::BuilderState>()),
          launcher(ScratchLibrary()), context{*table, *builder, dialogs, launcher,
                                              ScratchLibrary()},
          application(context) {
        application.Start();
        QApplication::processEvents();
    }

    std::unique_ptr<data::MaterialTable> table;
    std::unique_ptr<newdata::BuilderState> builder;
    SilentDialogs dialogs;
    QtLauncher launcher;
    AppContext context;
    Application application;
};

std::unique_ptr<Program>& TheProgram() {
    static std::unique_ptr<Program> program;
    return program;
}

Program& ProgramWithWindows() {
    EnsureApplication();
    std::unique_ptr<Program>& program = TheProgram();
    if (!program) {
        program = std::make_unique<Program>();
    }
    return *program;
}

void DrawEnlargedFrameAndCurves(benchmark::State& state) {
    EnsureApplication();
    const auto table = LoadShipped("ele/082_Pb.ele");
    QtCanvas canvas(909, 861);
    graph::PrepareEnlargedCanvas(canvas);
    for (auto _ : state) {
        graph::DrawEnlargedFrame(canvas, *table);
        graph::DrawEnlargedCurves(canvas, *table);
    }
    benchmark::DoNotOptimize(canvas.Image().constBits());
}

void GoEndToEnd(benchmark::State& state) {
    Program& program = ProgramWithWindows();
    program.table->SelectedPath = "ele/082_Pb.ele";
    for (auto _ : state) {
        if (!graph::RunGo(program.context)) {
            state.SkipWithError(program.dialogs.lastMessage.c_str());
            break;
        }
        // The windows GO shows paint on the next pass of the event loop.
        QApplication::processEvents();
    }
}

// GO on lead, then the windows it shows painted; false, with the case skipped, when GO fails.
bool goOnLeadAndPaint(Program& program, benchmark::State& state) {
    program.table->SelectedPath = "ele/082_Pb.ele";
    if (!graph::RunGo(program.context)) {
        state.SkipWithError(program.dialogs.lastMessage.c_str());
        return false;
    }
    QApplication::processEvents();
    return true;
}

void MouseReadout(benchmark::State& state) {
    Program& program = ProgramWithWindows();
    if (!goOnLeadAndPaint(program, state)) {
        return;
    }
    QtCanvas& picture = *program.context.windows.form2->Picture1;
    const int width = picture.Image().width();
    const int height = picture.Image().height();
    // The pointer sweeps the plot from left to right at mid height, one pixel per event.
    int column = 0;
    for (auto _ : state) {
        const QPointF local(column, height / 2);
        QMouseEvent move(QEvent::MouseMove, local, picture.mapToGlobal(local), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&picture, &move);
        if (++column == width) {
            column = 0;
        }
    }
    QApplication::processEvents();
}

// The calculator's look-up as the running program makes it: after GO has drawn and painted the
// windows, and in the state Qt leaves the vector registers in (upper halves in use; whether a
// given pass of Qt leaves them so depends on which of glibc's routines ran last, so the case
// sets it once before timing, where the core cases clear it).
void LookupAfterGo(benchmark::State& state) {
    Program& program = ProgramWithWindows();
    if (!goOnLeadAndPaint(program, state)) {
        return;
    }
    const std::vector<double>& energies = MillionEnergies();
    calc::CoefficientSet set;
    std::size_t i = 0;
    DirtyVectorRegisters();
    for (auto _ : state) {
        const calc::CalcStatus status =
            calc::CoefficientsAtEnergy(*program.table, energies[i], set);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(set);
        if (++i == energies.size()) {
            i = 0;
        }
    }
}

} // namespace

void RegisterWindowCases() {
    Register("DrawEnlargedFrame+DrawEnlargedCurves", DrawEnlargedFrameAndCurves, 9,
             {Goal::TimeBelow, 5e-3, {}})
        ->Unit(benchmark::kMillisecond);
    Register("GO/end_to_end", GoEndToEnd, 9, {Goal::TimeBelow, 10e-3, {}})
        ->Unit(benchmark::kMillisecond);
    Register("MouseReadout/one_event", MouseReadout, 9, {Goal::TimeBelow, 20e-6, {}})
        ->Unit(benchmark::kMicrosecond);
    Register("CoefficientsAtEnergy/after_GO", LookupAfterGo, 9,
             {Goal::RatioAtMost, 2.0, "CoefficientsAtEnergy"})
        ->Unit(benchmark::kNanosecond);
}

void ReleaseWindows() { TheProgram().reset(); }

} // namespace bench
