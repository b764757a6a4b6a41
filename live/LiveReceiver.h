#pragma once

#include "live/LiveFrame.h"
#include "live/LiveListen.h"
#include "live/VmcFrameAssembler.h"

#include <QUdpSocket>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

// A frame as received: who sent it and when it was read.
struct LiveArrival {
    LiveFrame frame;
    std::string sender; // the sender's IPv4 or IPv6 address
    std::chrono::steady_clock::time_point arrived;
};

struct LiveCounts {
    std::uint64_t frames = 0;        // complete frames taken
    std::uint64_t malformed = 0;     // datagrams dropped as damaged
    std::uint64_t superseded = 0;    // frames a newer one replaced before any was shown
    std::uint64_t otherSubjects = 0; // frames of a subject not shown
};

// Listens for both trackers' datagrams on the Qt event loop. Nothing is queued: readNewest
// reads every waiting datagram at once, just before a frame is drawn, and keeps only the
// newest complete frame, so lag cannot build up however fast senders send.
class LiveReceiver {
  public:
    // Throws DemoError when a port cannot be listened on.
    explicit LiveReceiver(const LiveListen& listen);
    ~LiveReceiver();

    // True once a datagram has arrived since the last readNewest: a frame may show it. The
    // sockets' readyRead wakes the event loop for it.
    bool datagramsWaiting() const;
    // Reads and parses what waits; true when a complete frame came, newest() then holding it.
    bool readNewest();
    const LiveArrival& newest() const { return newest_; }

    const LiveCounts& counts() const { return counts_; }
    std::uint16_t liveLinkFacePort() const;
    std::uint16_t vmcPort() const;

    // Called for every complete frame of the subject shown, in order (the recorder's hook).
    void setFrameObserver(std::function<void(const LiveArrival&)> observer) {
        observer_ = std::move(observer);
    }
    // Called once for each thing a person should hear about (another subject heard).
    void setNoteObserver(std::function<void(const std::string&)> observer) {
        noteObserver_ = std::move(observer);
    }

  private:
    // Reads what waits on the socket, at most maxDatagramsAFrame, one datagram at a time.
    using DatagramHandler = std::function<void(std::span<const std::byte>, const QHostAddress&,
                                               std::chrono::steady_clock::time_point)>;
    void readPending(QUdpSocket& socket, const DatagramHandler& handle);
    void readLiveLinkFace();
    void readVmc();
    bool subjectShown(const std::string& subject);
    void took(const std::string& sender, std::chrono::steady_clock::time_point arrived);

    std::unique_ptr<QUdpSocket> liveLinkFace_;
    std::unique_ptr<QUdpSocket> vmc_;
    std::optional<std::string> subject_;
    bool subjectChosen_ = false;
    std::set<std::string> otherSubjects_;
    bool arrivedSinceRead_ = false;
    bool tookSinceRead_ = false;
    std::vector<char> buffer_;
    LiveFrame parsed_;
    std::vector<VmcMessage> vmcMessages_;
    VmcFrameAssembler vmcAssembler_;
    LiveArrival newest_;
    LiveCounts counts_;
    std::function<void(const LiveArrival&)> observer_;
    std::function<void(const std::string&)> noteObserver_;
};
