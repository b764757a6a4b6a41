#include "live/LiveReceiver.h"

#include "common/DemoError.h"
#include "common/EscapedText.h"
#include "live/LiveLinkFacePacket.h"
#include "live/PacketRefusal.h"
#include "live/VmcPacket.h"

#include <QHostAddress>
#include <QVariant>

namespace {

// Kept names of other subjects, so that each is said once; past this a hostile sender's
// endless names are counted, not kept.
constexpr std::size_t maxOtherSubjectsKept = 64;
// Datagrams read from a socket for one frame at most: under a flood the frame still gets
// drawn, and what is left waits in the kernel's bounded queue.
constexpr int maxDatagramsAFrame = 8192;

std::unique_ptr<QUdpSocket> listenOn(const QHostAddress& address, const std::string& addressText,
                                     std::uint16_t port, const char* what) {
    auto socket = std::make_unique<QUdpSocket>();
    if (!socket->bind(address, port))
        throw DemoError("cannot listen for " + std::string(what) + " on " + addressText + " port " +
                        std::to_string(port) + ": " + socket->errorString().toStdString());
    // The kernel's queue is the only one: a modest one bounds how stale a frame can be after
    // a stall.
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(256 * 1024));
    return socket;
}

std::string senderText(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return (isV4 ? QHostAddress(v4) : address).toString().toStdString();
}

} // namespace

LiveReceiver::LiveReceiver(const LiveListen& listen)
    : subject_(listen.subject), subjectChosen_(listen.subject.has_value()),
      buffer_(maxDatagramBytes + 1) {
    QHostAddress address(QHostAddress::Any);
    std::string addressText = "every interface";
    if (!listen.bindAddress.empty()) {
        if (!address.setAddress(QString::fromStdString(listen.bindAddress)))
            throw DemoError("--bind takes an IP address of this machine, not \"" +
                            escapedText(listen.bindAddress) + "\"");
        addressText = listen.bindAddress;
    }
    liveLinkFace_ =
        listenOn(address, addressText, listen.liveLinkFacePort, "the phone's face stream");
    vmc_ = listenOn(address, addressText, listen.vmcPort, "VMC");
    for (QUdpSocket* socket : {liveLinkFace_.get(), vmc_.get()})
        QObject::connect(socket, &QUdpSocket::readyRead, [this] { arrivedSinceRead_ = true; });
}

LiveReceiver::~LiveReceiver() = default;

std::uint16_t LiveReceiver::liveLinkFacePort() const {
    return liveLinkFace_->localPort();
}

std::uint16_t LiveReceiver::vmcPort() const {
    return vmc_->localPort();
}

bool LiveReceiver::datagramsWaiting() const {
    return arrivedSinceRead_ || liveLinkFace_->hasPendingDatagrams() || vmc_->hasPendingDatagrams();
}

bool LiveReceiver::readNewest() {
    arrivedSinceRead_ = false;
    tookSinceRead_ = false;
    // Frames of both streams land in one place: whichever came last wins.
    readLiveLinkFace();
    readVmc();
    return tookSinceRead_;
}

bool LiveReceiver::subjectShown(const std::string& subject) {
    if (!subjectChosen_) {
        subject_ = subject;
        subjectChosen_ = true;
    }
    if (subject == *subject_)
        return true;
    ++counts_.otherSubjects;
    if (otherSubjects_.size() < maxOtherSubjectsKept && otherSubjects_.insert(subject).second &&
        noteObserver_)
        noteObserver_("another subject, \"" + escapedText(subject) +
                      "\", is ignored: --subject picks the one shown (showing \"" +
                      escapedText(*subject_) + "\")");
    return false;
}

void LiveReceiver::took(const std::string& sender, std::chrono::steady_clock::time_point arrived) {
    if (tookSinceRead_)
        ++counts_.superseded;
    tookSinceRead_ = true;
    ++counts_.frames;
    std::swap(newest_.frame, parsed_);
    newest_.sender = sender;
    newest_.arrived = arrived;
    if (observer_)
        observer_(newest_);
}

void LiveReceiver::readPending(QUdpSocket& socket, const DatagramHandler& handle) {
    for (int read = 0; read < maxDatagramsAFrame && socket.hasPendingDatagrams(); ++read) {
        QHostAddress from;
        const qint64 size =
            socket.readDatagram(buffer_.data(), static_cast<qint64>(buffer_.size()), &from);
        const auto arrived = std::chrono::steady_clock::now();
        if (size < 0)
            break;
        handle(std::as_bytes(std::span(buffer_.data(), static_cast<std::size_t>(size))), from,
               arrived);
    }
}

void LiveReceiver::readLiveLinkFace() {
    readPending(*liveLinkFace_, [this](std::span<const std::byte> bytes, const QHostAddress& from,
                                       std::chrono::steady_clock::time_point arrived) {
        if (parseLiveLinkFace(bytes, parsed_)) {
            ++counts_.malformed;
            return;
        }
        if (subjectShown(parsed_.subject))
            took(senderText(from), arrived);
    });
}

void LiveReceiver::readVmc() {
    readPending(*vmc_, [this](std::span<const std::byte> bytes, const QHostAddress& from,
                              std::chrono::steady_clock::time_point arrived) {
        if (parseVmcPacket(bytes, vmcMessages_)) {
            ++counts_.malformed;
            return;
        }
        if (vmcAssembler_.take(vmcMessages_, parsed_))
            took(senderText(from), arrived);
    });
}
