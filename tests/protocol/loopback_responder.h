// A tiny TFTP write server on 127.0.0.1 for the loopback test, on its own thread and
// with real POSIX sockets (kept out of the test's own file, whose names are the
// program's Windows-shaped ones). It answers one write request from a fresh transfer
// port, acknowledges every block and keeps what it received.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace qx::testing_support {

class LoopbackTftpResponder {
public:
    // `stray_before_block`: before acknowledging this block, first send an ERROR to the
    // client from yet another port (0: never).
    explicit LoopbackTftpResponder(std::uint16_t stray_before_block = 0);
    ~LoopbackTftpResponder();
    LoopbackTftpResponder(const LoopbackTftpResponder&) = delete;
    LoopbackTftpResponder& operator=(const LoopbackTftpResponder&) = delete;

    std::uint16_t Port() const { return port_; }  // where the write request goes
    // Waits for the thread; then the image and what went wrong, if anything.
    void Join();
    const std::vector<unsigned char>& Image() const { return image_; }
    const std::string& Failure() const { return failure_; }

private:
    void Serve();

    int listen_fd_ = -1;
    std::uint16_t port_ = 0;
    std::uint16_t stray_before_block_;
    std::vector<unsigned char> image_;
    std::string failure_;
    std::thread thread_;
};

}  // namespace qx::testing_support
