#include "live/NetworkAddresses.h"

#include <QNetworkInterface>

std::vector<std::string> machineIPv4Addresses() {
    std::vector<std::string> reachable;
    std::vector<std::string> loopback;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        (address.isLoopback() ? loopback : reachable).push_back(address.toString().toStdString());
    }
    reachable.insert(reachable.end(), loopback.begin(), loopback.end());
    return reachable;
}
