#pragma once

#include <QHostAddress>
#include <QUdpSocket>
#include <cstddef>
#include <cstdint>
#include <vector>

// Sends datagrams to a port on loopback; on Linux they are in the receiver's queue when the
// call returns.
class LoopbackSender {
  public:
    void send(std::uint16_t port, const std::vector<std::byte>& bytes) {
        socket_.writeDatagram(reinterpret_cast<const char*>(bytes.data()),
                              static_cast<qint64>(bytes.size()), QHostAddress::LocalHost, port);
    }

  private:
    QUdpSocket socket_;
};
