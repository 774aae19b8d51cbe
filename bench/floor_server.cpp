// The floor's server: answers every datagram with 4 bytes to its sender, waiting in
// poll() before each receive, until it is terminated. With floor_client it measures
// what 1,532 lock-step UDP round trips cost on this machine and nothing else. The 4
// bytes are an ACK of the block a DATA packet carries (of block 0 for anything else),
// so a TFTP client can write to it too: that shows the client's own cost over the
// floor, with a server that does nothing but answer.
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
    unsigned char ack[4] = {0, 4, 0, 0};
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, -1) <= 0) continue;
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0) continue;
        const bool data = n >= 4 && buffer[0] == 0 && buffer[1] == 3;
        ack[2] = data ? buffer[2] : 0;
        ack[3] = data ? buffer[3] : 0;
        sendto(fd, ack, sizeof ack, 0, reinterpret_cast<sockaddr*>(&from), len);
    }
}
