#pragma once

#include "app/LiveOptions.h"
#include "app/PoseSource.h"
#include "live/LiveReceiver.h"
#include "live/StreamRecorder.h"
#include "play/TargetBinding.h"

#include <memory>

// mirelda-play --live before and after its window: listens on the ports and opens the take
// file (both refused before a window opens), prints what to type into the phone, makes the
// live source once the head's targets are known, and puts the take in place at the end.
class LiveStart {
  public:
    LiveStart(const LiveOptions& options, NameMap nameMap);

    PoseSourceFactory sourceFactory();
    // Renames the take into place; throws DemoError when it could not be written.
    void finish();

  private:
    std::unique_ptr<LiveReceiver> receiver_;
    std::unique_ptr<StreamRecorder> recorder_;
    NameMap nameMap_;
};
