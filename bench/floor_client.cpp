// The floor's client: COUNT lock-step round trips of a 516-byte datagram and its 4-byte
// answer, waiting in poll() before each receive, as a TFTP write of that many packets
// would at the least.
//   qx210-floor-client ADDRESS PORT [COUNT]    (COUNT defaults to 1,532: one write
//   request and 1,531 DATA blocks of the 783,578-byte image)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: qx210-floor-client ADDRESS PORT [COUNT]\n");
        return 2;
    }
    const long count = argc == 4 ? std::atol(argv[3]) : 1532;
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[2])));
    if (fd < 0 || inet_pton(AF_INET, argv[1], &server.sin_addr) != 1) {
        std::perror("qx210-floor-client");
        return 1;
    }
    unsigned char packet[516] = {0, 3};
    unsigned char reply[516];
    for (long i = 0; i < count; ++i) {
        sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&server), sizeof server);
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0 || recv(fd, reply, sizeof reply, 0) != 4) {
            std::fprintf(stderr, "qx210-floor-client: no answer to round trip %ld\n", i + 1);
            return 1;
        }
    }
    return 0;
}
