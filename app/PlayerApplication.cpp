#include "app/PlayerApplication.h"

#include "app/QtMessagePump.h"
#include "model/TargetOffsets.h"
#include "play/StrongestChannels.h"
#include "ui/SettingsDialog.h"

#include <iostream>

namespace {
const char* const windowTitle = "[Interactive Demo Application] - Mirelda";
// The channel list is read by a person: ten times a second is enough, and every refresh costs
// the widgets a millisecond or two of the frame.
constexpr float channelListSeconds = 0.1f;
} // namespace

PlayerApplication::PlayerApplication(PerformanceClock& clock, Recording recording)
    : window_(std::make_unique<MainWindow>(QString::fromUtf8(windowTitle),
                                           mainWindowFrameSize.width, mainWindowFrameSize.height)),
      scene_(WindowTarget{window_.get(), width_, height_}, MorphPath::AllTargets),
      targetNames_(scene_.morphMesh().targetNames()), playback_(std::move(recording), targetNames_),
      settingsDialog_(createSettingsDialog(window_.get(), &scene_.channelSet())),
      pauseKey_([this] { playback_.togglePause(); }), clock_(clock) {
    for (const std::string& note : playback_.notes())
        std::cerr << "mirelda-play: " << note << "\n";
    if (!scene_.drawsAllTargets())
        std::cerr << "mirelda-play: the head's targets do not fit the GPU at once (more than "
                  << maxTargetsAtOnce
                  << " of them, or past its largest buffer texture); each moment plays its seven "
                     "strongest targets\n";
}

// The dialog goes before the scene whose channels it shows; the window goes last.
PlayerApplication::~PlayerApplication() {
    settingsDialog_.reset();
}

void PlayerApplication::run() {
    show();
    QtMessagePump pump(*window_, [this] { return window_->quitPosted(); });
    runFrameLoop(clock_, pump, [this](float dt) { playFrame(dt); });
}

void PlayerApplication::playFrame(float dt) {
    playback_.advance(dt);
    playback_.pose(pose_);
    scene_.setPose(pose_);
    // Where the channels draw the head instead, they follow every frame.
    sinceChannelsShown_ += dt;
    if (!scene_.drawsAllTargets() || sinceChannelsShown_ >= channelListSeconds)
        showStrongestOnChannels(pose_, targetNames_, scene_.channelSet());
    if (sinceChannelsShown_ >= channelListSeconds) {
        settingsDialog_->showChannels();
        sinceChannelsShown_ = 0.0f;
    }
    scene_.renderFrame(dt);
}
