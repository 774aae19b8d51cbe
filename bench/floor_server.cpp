// The floor's server: answers every datagram with 4 bytes to its sender, waiting in
// poll() before each receive, until it is terminated. With floor_client it measures
// what 1,532 lock-step UDP round trips cost on this machine and nothing else.
//   qx210-floor-server ADDRESS PORT
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: qx210-floor-server ADDRESS PORT\n");
        return 2;
    }
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[2])));
    if (fd < 0 || inet_pton(AF_INET, argv[1], &local.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::perror("qx210-floor-server");
        return 1;
    }
    unsigned char buffer[516];
    const unsigned char ack[4] = {0, 4, 0, 0};
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, -1) <= 0) continue;
        sockaddr_in from{};
        socklen_t len = sizeof from;
        if (recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len) < 0) continue;
        sendto(fd, ack, sizeof ack, 0, reinterpret_cast<sockaddr*>(&from), len);
    }
}
