// photonxs-vector-probe: whether the upper halves of the AVX registers are in use, and the SSE
// control word, after each step of a Qt start, beside the processor time of a look-up on lead
// and of glibc's exp(log(x)) at that moment. Shows what makes the core slower in a process that
// has drawn with Qt. Run by hand (QT_QPA_PLATFORM=offscreen works); x86-64 only.

#include "BenchSupport.h"

#include "calc/Interpolation.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>

namespace {

double cpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// XGETBV with ECX = 1: the state components in use; bit 2 is the upper halves of YMM0-15.
bool upperHalvesInUse() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid_count(0xd, 1, &eax, &ebx, &ecx, &edx) == 0 || (eax & 4u) == 0) {
        return false;
    }
    unsigned low = 0, high = 0;
    asm volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
    return (low & 4u) != 0;
}

unsigned controlWord() {
    unsigned word = 0;
    asm volatile("stmxcsr %0" : "=m"(word));
    return word;
}

struct Probe {
    const data::MaterialTable& table;
    std::vector<double> energies;

    void report(const char* step) const {
        const bool inUse = upperHalvesInUse();
        const unsigned word = controlWord();
        calc::CoefficientSet set;
        double sink = 0.0;
        double start = cpuNs();
        for (double energy : energies) {
            calc::CoefficientsAtEnergy(table, energy, set);
            sink += set.total;
        }
        const double lookupNs = (cpuNs() - start) / static_cast<double>(energies.size());
        // The look-up clears the state on entry: put it back as the step left it.
        if (inUse) {
            bench::DirtyVectorRegisters();
        }
        start = cpuNs();
        for (double energy : energies) {
            sink += std::exp(std::log(energy) * 0.5);
        }
        const double expLogNs = (cpuNs() - start) / static_cast<double>(energies.size());
        benchmark::DoNotOptimize(sink);
        std::printf("| %s | %s | 0x%04X | %.1f ns | %.1f ns |\n", step, inUse ? "yes" : "no", word,
                    lookupNs, expLogNs);
    }
};

} // namespace

int main(int argc, char* argv[]) {
    const auto table = bench::LoadShipped("ele/082_Pb.ele");
    Probe probe{*table, {}};
    const std::vector<double>& all = bench::MillionEnergies();
    probe.energies.assign(all.begin(), all.begin() + 200000);

    std::printf("| After | Upper halves in use | MXCSR | Look-up | exp(log(x)) |\n");
    std::printf("|---|:---:|---:|---:|---:|\n");
    probe.report("the process started");
    QApplication application(argc, argv);
    probe.report("QApplication made");
    QImage image(909, 861, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(image.rect(), Qt::white);
        for (int i = 0; i < 100; ++i) {
            painter.drawLine(i, 0, 800, i * 7);
        }
    }
    probe.report("antialiased lines drawn");
    QLabel label("0.662 MeV");
    label.show();
    QApplication::processEvents();
    probe.report("a window shown and painted");
    bench::CleanVectorRegisters();
    probe.report("vzeroupper");
    return 0;
}

#else

int main() {
    std::puts("photonxs-vector-probe: only x86-64 processors have this state");
    return 0;
}

#endif
