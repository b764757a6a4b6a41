#include "live/LiveSource.h"

#include "common/EscapedText.h"
#include "common/JoinedNames.h"

#include <algorithm>

namespace {
constexpr std::size_t maxNamesBound = 1024;
} // namespace

LiveSource::LiveSource(std::unique_ptr<LiveReceiver> receiver,
                       const std::vector<std::string>& targetNames, NameMap nameMap,
                       std::function<void(const std::string&)> note)
    : receiver_(std::move(receiver)), binding_(targetNames, std::move(nameMap)),
      note_(std::move(note)), weights_(targetNames.size(), 0.0f),
      state_(receiver_->liveLinkFacePort(), receiver_->vmcPort()) {
    receiver_->setNoteObserver(note_);
}

void LiveSource::advance(float) {
    if (!receiver_->readNewest())
        return;
    const LiveArrival& arrival = receiver_->newest();
    state_.frameTaken(arrival.sender, escapedText(arrival.frame.subject), arrival.arrived);
    if (!paused_ && arrival.frame.tracked)
        show(arrival.frame);
}

TargetBinding::Bound LiveSource::bind(const std::string& name) {
    if (const auto found = boundNames_.find(name); found != boundNames_.end())
        return found->second;
    const TargetBinding::Bound bound = binding_.bind(name);
    if (boundNames_.size() < maxNamesBound) {
        boundNames_.emplace(name, bound);
        if (bound.target < 0)
            unmatched_.push_back(escapedText(name));
    }
    return bound;
}

void LiveSource::show(const LiveFrame& frame) {
    std::fill(weights_.begin(), weights_.end(), 0.0f);
    for (const LiveWeight& weight : frame.weights) {
        const TargetBinding::Bound bound = bind(weight.name);
        if (bound.target >= 0)
            weights_[static_cast<std::size_t>(bound.target)] =
                std::clamp(bound.scale * weight.value, 0.0f, 1.0f);
    }
    if (!unmatched_.empty() && note_)
        note_("shapes that match no morph target of the head, not shown: " +
              joinedNames(unmatched_));
    unmatched_.clear();
    if (frame.head)
        head_ = frame.head;
}

std::optional<std::string> LiveSource::stateLine() const {
    return state_.line(LiveState::Clock::now(), receiver_->counts().malformed);
}
