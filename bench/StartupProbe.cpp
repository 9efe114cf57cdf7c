// Loaded into the unchanged program (LD_PRELOAD) by the benchmarks. With PHOTONXS_PROBE=shown it
// reports the moment the main window has been painted for the first time; with
// PHOTONXS_PROBE=go it then chooses lead in the element list, presses GO and reports once the
// graph window has been painted. The report is one line on descriptor 3: the CLOCK_MONOTONIC
// time in nanoseconds, the peak resident memory in kilobytes and the processor time the program
// has used so far in nanoseconds. The program then ends at once.

#include <QApplication>
#include <QEvent>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kReportDescriptor = 3;

// The peak resident memory of this program, in kB: VmHWM of /proc/self/status. (getrusage
// would also count the memory of the process that started this one, when that process was
// not yet replaced by this program, as after posix_spawn.)
long long peakKilobytes() {
    char text[4096];
    const int file = open("/proc/self/status", O_RDONLY);
    if (file < 0) {
        return -1;
    }
    const ssize_t got = read(file, text, sizeof text - 1);
    close(file);
    if (got <= 0) {
        return -1;
    }
    text[got] = '\0';
    const char* found = std::strstr(text, "VmHWM:");
    if (found == nullptr) {
        return -1;
    }
    found += 6;
    while (*found == ' ' || *found == '\t') {
        ++found;
    }
    long long kilobytes = -1;
    std::from_chars(found, text + got, kilobytes);
    return kilobytes;
}

[[noreturn]] void reportAndEnd() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long momentNs = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    char line[64];
    char* end = std::to_chars(line, line + 30, momentNs).ptr;
    *end++ = ' ';
    end = std::to_chars(end, line + 46, peakKilobytes()).ptr;
    *end++ = ' ';
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long long cpuNs =
        (static_cast<long long>(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000000LL +
        (static_cast<long long>(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000LL;
    end = std::to_chars(end, line + 62, cpuNs).ptr;
    *end++ = '\n';
    const auto length = static_cast<std::size_t>(end - line);
    if (write(kReportDescriptor, line, length) != static_cast<ssize_t>(length)) {
        _exit(3);
    }
    _exit(0);
}

QWidget* topLevelNamed(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String(name)) {
            return widget;
        }
    }
    return nullptr;
}

// Chooses ele/082_Pb.ele in the main window's element list as a click would, then presses GO.
void chooseLeadAndGo() {
    QWidget* form1 = topLevelNamed("Form1");
    auto* list = form1 != nullptr ? form1->findChild<QListWidget*>("File1") : nullptr;
    auto* go = form1 != nullptr ? form1->findChild<QPushButton*>("Command2") : nullptr;
    const QList<QListWidgetItem*> lead = list != nullptr
                                             ? list->findItems("082_Pb.ele", Qt::MatchExactly)
                                             : QList<QListWidgetItem*>{};
    if (go == nullptr || lead.isEmpty()) {
        _exit(4);
    }
    list->setCurrentItem(lead.front());
    QMetaObject::invokeMethod(list, "fileClicked");
    go->click();
}

// Watches the paint events of top-level windows and acts once the awaited one has painted.
class Probe : public QObject {
  public:
    explicit Probe(bool thenGo) : m_thenGo(thenGo) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || m_waitingFor == nullptr) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || !widget->isWindow() ||
            widget->objectName() != QLatin1String(m_waitingFor)) {
            return false;
        }
        m_waitingFor = nullptr;
        // Act after this paint event has been handled.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_thenGo) {
                    reportAndEnd();
                }
                m_thenGo = false;
                m_waitingFor = "Form2";
                chooseLeadAndGo();
            },
            Qt::QueuedConnection);
        return false;
    }

  private:
    bool m_thenGo;
    const char* m_waitingFor = "Form1";
};

void installProbe() {
    const char* mode = std::getenv("PHOTONXS_PROBE");
    if (mode == nullptr || QCoreApplication::instance() == nullptr) {
        return;
    }
    auto* probe = new Probe(std::strcmp(mode, "go") == 0);
    probe->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(probe);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
