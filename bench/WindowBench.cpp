// Times whole conversions through the real window on Qt's offscreen platform,
// against the floor the required event pumps impose, and watches the gaps
// between pumps and the process's peak memory.
//   bench_window BMPFILE [RUNS]
// prints: window-ms floor-ms max-gap-ms peak-mib

#include "BenchSupport.h"
#include "TApplication.h"
#include "UnitMain.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/resource.h>

using namespace bmp2cdata;

namespace {

using Clock = std::chrono::steady_clock;

// Notes the time of every event pump: a queued call that queues itself
// again runs exactly once per pump.
class PumpWatch {
public:
    void Start()
    {
        times_.clear();
        running_ = true;
        Post();
    }
    void Stop() { running_ = false; }
    std::size_t Pumps() const { return times_.size(); }
    double LongestGapMilliseconds() const
    {
        double longest = 0;
        for (std::size_t i = 1; i < times_.size(); ++i)
            longest = std::max(longest, std::chrono::duration<double, std::milli>(times_[i] - times_[i - 1]).count());
        return longest;
    }

private:
    void Post()
    {
        QMetaObject::invokeMethod(
            qApp, [this] {
                if (!running_)
                    return;
                times_.push_back(Clock::now());
                Post();
            },
            Qt::QueuedConnection);
    }

    std::vector<Clock::time_point> times_;
    bool running_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: bench_window BMPFILE [RUNS]\n", stderr);
        return 2;
    }
    const std::string path = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    app::TApplication application(argc, argv);
    app::TForm1 form;
    form.SetFileChooser([&path] { return std::optional<std::string>(path); });
    form.show();
    QCoreApplication::processEvents();

    const auto convert = [&] {
        form.ConvertButton->click();
        QCoreApplication::processEvents();  // the last repaint
    };
    PumpWatch watch;
    watch.Start();
    convert();
    watch.Stop();
    const std::size_t pumps = watch.Pumps();
    const double longestGap = watch.LongestGapMilliseconds();
    if (!form.Memo1->toPlainText().endsWith(QStringLiteral("for pasting into the program"))) {
        std::fputs("bench_window: the conversion did not finish\n", stderr);
        return 1;
    }

    const double window = MedianMilliseconds(runs, convert);
    const double floor = MedianMilliseconds(runs, [&] {
        for (std::size_t pump = 0; pump < pumps; ++pump)
            QCoreApplication::processEvents();
    });
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.3f %.3f %.3f %.1f %zu\n", window, floor, longestGap, double(usage.ru_maxrss) / 1024.0, pumps);
    return 0;
}
