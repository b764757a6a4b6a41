#include "app/Application.h"

#include "app/QtMessagePump.h"
#include "app/ShownPose.h"
#include "model/TargetOffsets.h"
#include "play/StrongestChannels.h"
#include "ui/SettingsDialog.h"

#include <QTimer>
#include <iostream>

namespace {
// The channel list is read by a person: ten times a second is enough, and every refresh costs
// the widgets a millisecond or two of the frame.
constexpr float channelListSeconds = 0.1f;
// A state line counts whole seconds; twice a second keeps it current and costs a resting loop
// next to nothing.
constexpr int stateLineMilliseconds = 500;
} // namespace

Application::Application(PerformanceClock& clock, const PoseSourceFactory& makeSource,
                         const HeadTurnSettings& headTurn)
    : window_(std::make_unique<MainWindow>(QString::fromUtf8(mainWindowTitle),
                                           mainWindowFrameSize.width, mainWindowFrameSize.height)),
      scene_(WindowTarget{window_.get(), width_, height_},
             makeSource ? MorphPath::AllTargets : MorphPath::SevenChannels),
      headTurn_(headTurn), clock_(clock) {
    if (makeSource) {
        targetNames_ = scene_.morphMesh().targetNames();
        source_ = makeSource(targetNames_);
        if (!scene_.drawsAllTargets())
            std::cerr << "mirelda-play: the head's targets do not fit the GPU at once (more "
                         "than "
                      << maxTargetsAtOnce
                      << " of them, or past its largest buffer texture); each moment plays its "
                         "seven strongest targets, and the head does not turn\n";
        else if (source_->headAngles() && headTurn_.enabled && !scene_.turnsHead())
            std::cerr << "mirelda-play: the head's mesh file does not say how the head turns "
                         "(made before heads turned): the head rotation is not applied\n";
    }
    settingsDialog_ = createSettingsDialog(window_.get(), &scene_.channelSet());
    if (source_)
        playerKeys_ = std::make_unique<PlayerKeys>(std::vector<PlayerKey>{
            {Qt::Key_Space, Qt::NoModifier, [this] { source_->togglePause(); }},
            {Qt::Key_N, Qt::NoModifier, [this] { source_->takeNeutral(); }},
            {Qt::Key_N, Qt::ShiftModifier, [this] { source_->clearNeutral(); }}});
    if (source_ && source_->stateLine()) {
        showStateLine();
        stateLineTimer_ = std::make_unique<QTimer>();
        QObject::connect(stateLineTimer_.get(), &QTimer::timeout, [this] { showStateLine(); });
        stateLineTimer_->start(stateLineMilliseconds);
    }
}

void Application::showStateLine() {
    if (const std::optional<std::string> line = source_->stateLine())
        settingsDialog_->showStateLine(*line);
}

// The dialog goes before the scene whose channels it edits; the window goes last.
Application::~Application() {
    stateLineTimer_.reset();
    playerKeys_.reset();
    settingsDialog_.reset();
}

void Application::run() {
    show();
    QtMessagePump pump(*window_, [this] { return window_->quitPosted(); });
    runFrameLoop(clock_, pump,
                 FrameClient{[this](float dt) { frame(dt); }, [this] { return pictureChanged(); }});
}

bool Application::pictureChanged() const {
    return (source_ && source_->moving()) || scene_.pictureChanged();
}

void Application::frame(float dt) {
    if (source_)
        showSourcePose(dt);
    scene_.renderFrame(dt);
}

void Application::showSourcePose(float dt) {
    source_->advance(dt);
    // Where the channels draw the head instead, they follow every frame.
    showPose(*source_, headTurn_, targetNames_, scene_, pose_);
    sinceChannelsShown_ += dt;
    if (sinceChannelsShown_ >= channelListSeconds) {
        if (scene_.drawsAllTargets())
            showStrongestOnChannels(pose_, targetNames_, scene_.channelSet());
        settingsDialog_->showChannels();
        sinceChannelsShown_ = 0.0f;
    }
}
