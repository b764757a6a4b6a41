// live-sender HOST PORT SECONDS [RATE [jaw|turn]]: streams phone-app face datagrams that open
// the jaw and turn the head to the performer's left (or only one of them), for journeys on
// loopback. The jaw and the turn ramp up over the first second and then hold.
#include "LiveLinkFaceBytes.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: live-sender HOST PORT SECONDS [RATE [jaw|turn]]\n");
        return 1;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[2])));
    if (inet_pton(AF_INET, argv[1], &to.sin_addr) != 1) {
        std::fprintf(stderr, "live-sender: %s is not an IPv4 address\n", argv[1]);
        return 1;
    }
    const double seconds = std::atof(argv[3]);
    const int rate = argc > 4 ? std::atoi(argv[4]) : 60;
    const std::string only = argc > 5 ? argv[5] : "";
    const int sender = socket(AF_INET, SOCK_DGRAM, 0);
    if (sender < 0 || rate <= 0) {
        std::perror("live-sender");
        return 1;
    }
    LiveLinkFaceBytes packet;
    packet.rateNumerator = rate;
    const auto start = std::chrono::steady_clock::now();
    const auto period = std::chrono::duration<double>(1.0 / rate);
    for (int frame = 0; frame < seconds * rate; ++frame) {
        const float ramp = std::min(1.0f, static_cast<float>(frame) / static_cast<float>(rate));
        packet.frame = frame;
        packet.values[jawOpenValue] = only == "turn" ? 0.0f : 0.9f * ramp;
        packet.values[headYawValue] = only == "jaw" ? 0.0f : 0.5f * ramp;
        const auto bytes = packet.bytes();
        sendto(sender, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to);
        std::this_thread::sleep_until(
            start +
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(period * (frame + 1)));
    }
    close(sender);
    return 0;
}
