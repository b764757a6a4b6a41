#include "app/LiveStart.h"

#include "common/JoinedNames.h"
#include "live/LiveSource.h"
#include "live/NetworkAddresses.h"

#include <iostream>

LiveStart::LiveStart(const LiveOptions& options, NameMap nameMap)
    : receiver_(std::make_unique<LiveReceiver>(options.listen)), nameMap_(std::move(nameMap)) {
    if (!options.record.empty()) {
        recorder_ = std::make_unique<StreamRecorder>(options.record);
        receiver_->setFrameObserver(
            [this](const LiveArrival& arrival) { recorder_->write(arrival); });
    }
    const std::vector<std::string> addresses =
        options.listen.bindAddress.empty() ? machineIPv4Addresses()
                                           : std::vector<std::string>{options.listen.bindAddress};
    std::cout << "mirelda-play: listening on " << joinedNames(addresses)
              << ": the phone's face stream (Live Link Face) on UDP port "
              << receiver_->liveLinkFacePort() << ", VMC on UDP port " << receiver_->vmcPort()
              << std::endl;
}

PoseSourceFactory LiveStart::sourceFactory() {
    return [this](const std::vector<std::string>& targetNames) -> std::unique_ptr<PoseSource> {
        return std::make_unique<LiveSource>(
            std::move(receiver_), targetNames, nameMap_,
            [](const std::string& note) { std::cerr << "mirelda-play: " << note << std::endl; });
    };
}

void LiveStart::finish() {
    if (recorder_)
        recorder_->finish();
}
