// Measures mirelda-play --live against the posed demo, each in a fresh process of this benchmark,
// in the same run: the posed demo, the player receiving the phone's face stream at 60 Hz on
// loopback, and the player under a flood of 20,000 datagrams a second, each for the given seconds
// (default 10). A sender thread stamps each datagram's frame number with its send time; the
// latency of a datagram is from then to the end of the first frame that shows it (the frame
// handed to the window), in frame periods. Prints the frame intervals of the real frame loop, the
// latency's median and 99th percentile, the resident memory at the start and the end, and the
// ratios against the posed demo. Run it from the build directory.
//
//     live_bench [seconds]
#include "LiveLinkFaceBytes.h"
#include "app/Application.h"
#include "app/FrameLoop.h"
#include "app/MainWindow.h"
#include "app/QtMessagePump.h"
#include "live/LiveSource.h"
#include "render/Scene.h"
#include "ui/SettingsDialog.h"

#include <QApplication>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <numeric>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double framePeriodMs = 1000.0 / 60.0;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

struct Figures {
    double intervalMean = 0, intervalDeviation = 0, latencyMedian = 0, latencyP99 = 0;
    double startMegabytes = 0, endMegabytes = 0;
    std::size_t frames = 0, shown = 0;
};

// Runs the real frame loop for `seconds`; `frame` draws one and may note a latency.
Figures measureLoop(MainWindow& window, double seconds, const std::function<void(float)>& frame) {
    std::vector<double> starts;
    SteadyPerformanceClock clock;
    bool done = false;
    QtMessagePump pump(window, [&] { return done || window.quitPosted(); });
    const auto loopStart = Clock::now();
    Figures figures;
    runFrameLoop(clock, pump, [&](float dt) {
        starts.push_back(msSince(loopStart));
        frame(dt);
        if (starts.size() == 60)
            figures.startMegabytes = residentMegabytes();
        done = starts.back() > seconds * 1000.0;
    });
    figures.endMegabytes = residentMegabytes();
    std::vector<double> intervals;
    for (std::size_t i = 1; i < starts.size(); ++i)
        intervals.push_back(starts[i] - starts[i - 1]);
    figures.frames = starts.size();
    if (!intervals.empty()) {
        figures.intervalMean =
            std::accumulate(intervals.begin(), intervals.end(), 0.0) / double(intervals.size());
        double squares = 0;
        for (const double value : intervals)
            squares += (value - figures.intervalMean) * (value - figures.intervalMean);
        figures.intervalDeviation = std::sqrt(squares / double(intervals.size()));
    }
    return figures;
}

// Sends face datagrams to a loopback port at `rate` a second until stopped, remembering when
// each frame number went out.
class Sender {
  public:
    Sender(std::uint16_t port, double rate, double seconds)
        : sendTimes_(static_cast<std::size_t>(rate * seconds) + 1) {
        thread_ = std::thread([=, this] { run(port, rate); });
    }
    ~Sender() {
        stop_ = true;
        thread_.join();
    }
    // When frame `frame` was sent; nothing for a frame not sent.
    std::optional<Clock::time_point> sentAt(std::int32_t frame) const {
        if (frame < 0 || static_cast<std::size_t>(frame) >= sendTimes_.size())
            return std::nullopt;
        const std::int64_t ticks = sendTimes_[static_cast<std::size_t>(frame)].load();
        if (ticks == 0)
            return std::nullopt;
        return Clock::time_point(Clock::duration(ticks));
    }

  private:
    void run(std::uint16_t port, double rate) {
        const int socket = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        LiveLinkFaceBytes packet;
        const auto start = Clock::now();
        for (std::size_t frame = 0; frame < sendTimes_.size() && !stop_; ++frame) {
            const float t = static_cast<float>(frame) / static_cast<float>(rate);
            packet.frame = static_cast<std::int32_t>(frame);
            packet.values[jawOpenValue] = 0.5f + 0.4f * std::sin(t * 3.0f);
            packet.values[headYawValue] = 0.3f * std::sin(t * 0.9f);
            const std::vector<std::byte> bytes = packet.bytes();
            sendTimes_[frame] = Clock::now().time_since_epoch().count();
            sendto(socket, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to);
            std::this_thread::sleep_until(
                start + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>(static_cast<double>(frame + 1) / rate)));
        }
        close(socket);
    }

    std::vector<std::atomic<std::int64_t>> sendTimes_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

void printFigures(const Figures& f) {
    std::printf("%.4f %.4f %.4f %.4f %.2f %.2f %zu %zu\n", f.intervalMean, f.intervalDeviation,
                f.latencyMedian, f.latencyP99, f.startMegabytes, f.endMegabytes, f.frames, f.shown);
}

int runPosedDemo(int argc, char** argv, double seconds) {
    QApplication application(argc, argv);
    MainWindow window(QString::fromUtf8(mainWindowTitle), mainWindowFrameSize.width,
                      mainWindowFrameSize.height);
    Scene scene(WindowTarget{&window});
    const auto dialog = createSettingsDialog(&window, &scene.channelSet());
    scene.channelSet().setChannelWeight(0.5f, 0);
    window.showAtFrameSize();
    scene.renderFrame(0.0f);
    printFigures(measureLoop(window, seconds, [&](float dt) { scene.renderFrame(dt); }));
    return 0;
}

int runLive(int argc, char** argv, double seconds, double rate) {
    QApplication application(argc, argv);
    SteadyPerformanceClock clock;
    LiveListen listen;
    listen.bindAddress = "127.0.0.1";
    listen.liveLinkFacePort = 0;
    listen.vmcPort = 0;
    auto receiver = std::make_unique<LiveReceiver>(listen);
    const std::uint16_t port = receiver->liveLinkFacePort();
    Application player(clock, [&](const std::vector<std::string>& targetNames) {
        return std::make_unique<LiveSource>(std::move(receiver), targetNames, NameMap{},
                                            [](const std::string&) {});
    });
    player.show();
    player.frame(0.0f);
    const auto& source = dynamic_cast<const LiveSource&>(*player.poseSource());
    Sender sender(port, rate, seconds + 1.0);
    std::vector<double> latencies;
    std::int32_t lastShown = -1;
    Figures figures = measureLoop(player.window(), seconds, [&](float dt) {
        player.frame(dt);
        const LiveArrival& newest = source.receiver().newest();
        if (!newest.frame.time || newest.frame.time->frame == lastShown)
            return;
        lastShown = newest.frame.time->frame;
        if (const auto sent = sender.sentAt(lastShown))
            latencies.push_back(msSince(*sent) / framePeriodMs);
    });
    figures.shown = latencies.size();
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        figures.latencyMedian = latencies[latencies.size() / 2];
        figures.latencyP99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    }
    printFigures(figures);
    return 0;
}

Figures childRun(const std::string& self, const std::string& arguments) {
    Figures f;
    FILE* child = popen((self + " " + arguments + " 2>/dev/null").c_str(), "r");
    if (child == nullptr ||
        std::fscanf(child, "%lf %lf %lf %lf %lf %lf %zu %zu", &f.intervalMean, &f.intervalDeviation,
                    &f.latencyMedian, &f.latencyP99, &f.startMegabytes, &f.endMegabytes, &f.frames,
                    &f.shown) != 8)
        std::fprintf(stderr, "live_bench: the child run %s gave no figures\n", arguments.c_str());
    if (child != nullptr)
        pclose(child);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--posed") == 0)
        return runPosedDemo(argc, argv, std::atof(argv[2]));
    if (argc > 3 && std::strcmp(argv[1], "--live") == 0)
        return runLive(argc, argv, std::atof(argv[2]), std::atof(argv[3]));

    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const std::string secondsText = std::to_string(seconds);
    const Figures posed = childRun(argv[0], "--posed " + secondsText);
    const Figures live = childRun(argv[0], "--live " + secondsText + " 60");
    const Figures flood = childRun(argv[0], "--live " + secondsText + " 20000");

    std::printf("Frame loop, %.0f s each              posed demo   receiving 60 Hz   "
                "flood 20,000/s\n",
                seconds);
    std::printf("  %-32s %10zu %17zu %16zu\n", "frames", posed.frames, live.frames, flood.frames);
    const auto row = [&](const char* what, double Figures::*figure, const char* unit) {
        std::printf("  %-32s %7.3f %-2s %14.3f %-2s %13.3f %-2s\n", what, posed.*figure, unit,
                    live.*figure, unit, flood.*figure, unit);
    };
    row("frame interval mean", &Figures::intervalMean, "ms");
    row("frame interval deviation", &Figures::intervalDeviation, "ms");
    row("resident memory after 1 s", &Figures::startMegabytes, "MB");
    row("resident memory at the end", &Figures::endMegabytes, "MB");
    std::printf("  datagram to shown frame (%zu shown at 60 Hz, %zu in the flood), in frame "
                "periods:\n",
                live.shown, flood.shown);
    std::printf("    median %.3f, 99th percentile %.3f at 60 Hz; median %.3f, 99th "
                "percentile %.3f in the flood\n",
                live.latencyMedian, live.latencyP99, flood.latencyMedian, flood.latencyP99);
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("  ratio against the posed demo: interval mean %.4f (60 Hz), %.4f (flood); "
                "memory growth in the flood %+.2f MB\n",
                ratio(live.intervalMean, posed.intervalMean),
                ratio(flood.intervalMean, posed.intervalMean),
                flood.endMegabytes - flood.startMegabytes);
    return 0;
}
