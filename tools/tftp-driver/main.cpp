// qx210-tftp-driver: runs the program's own TFTP write (and, if asked, the
// download-mode command before it) against a real server from the command line, as
// one process from the write request to the last acknowledgement. Used by the
// benchmark and by hand against the emulator.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/sockets/winsock.h"
#include "platform/system/clock.h"
#include "tools/tftp-driver/skip_pause_clock.h"
#include "tools/tftp-driver/transfer_run.h"

namespace {

const char kUsage[] =
    "usage: qx210-tftp-driver [options] ADDRESS IMAGE\n"
    "       qx210-tftp-driver --make-image SIZE FILE\n"
    "Writes IMAGE to the TFTP server at ADDRESS (dotted IPv4) as file \"firm\", octet.\n"
    "  --port N         server port (default 69)\n"
    "  --command        ask for download mode on port 7 first\n"
    "  --password P     password for --command (default empty)\n"
    "  --pause          keep the 5-second restart pause after --command (default: skipped)\n"
    "  --quiet          print nothing on success\n"
    "  --make-image     write SIZE deterministic test bytes to FILE and exit\n"
    "Prints \"result=CODE slices=N bytes=SIZE\"; exit status 0 when CODE is 0, 1 when the\n"
    "download failed, 2 on a usage error.\n";

int Usage(const char* why) {
    if (why) std::fprintf(stderr, "qx210-tftp-driver: %s\n", why);
    std::fputs(kUsage, stderr);
    return 2;
}

bool ParsePort(const char* text, std::uint16_t& port) {
    char* end = nullptr;
    unsigned long n = std::strtoul(text, &end, 10);
    if (*text == '\0' || *end != '\0' || n == 0 || n > 65535) return false;
    port = static_cast<std::uint16_t>(n);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!args.empty() && args[0] == "--make-image") {
        if (args.size() != 3) return Usage("--make-image needs SIZE and FILE");
        char* end = nullptr;
        unsigned long long size = std::strtoull(args[1].c_str(), &end, 10);
        if (args[1].empty() || *end != '\0' || size > (64ULL << 20)) return Usage("SIZE must be 0..64 MiB");
        std::ofstream out(args[2], std::ios::binary);
        std::string image = qx::MakeTestImage(size);
        out.write(image.data(), static_cast<std::streamsize>(image.size()));
        return out.good() ? 0 : 1;
    }

    qx::TransferRunOptions options;
    bool quiet = false, pause = false;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--port") {
            if (i + 1 >= args.size() || !ParsePort(args[++i].c_str(), options.tftpPort))
                return Usage("--port needs 1..65535");
        } else if (a == "--command") {
            options.command = true;
        } else if (a == "--password") {
            if (i + 1 >= args.size()) return Usage("--password needs a value");
            options.password = args[++i];
            if (options.password.size() > 32) return Usage("a password has at most 32 bytes");
        } else if (a == "--pause") {
            pause = true;
        } else if (a == "--quiet") {
            quiet = true;
        } else if (a.rfind("--", 0) == 0) {
            return Usage(("unknown option " + a).c_str());
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) return Usage("needs ADDRESS and IMAGE");
    qx::u_long address = qx::inet_addr(positional[0].c_str());
    if (address == qx::INADDR_NONE) return Usage("ADDRESS must be a dotted IPv4 address");
    options.address = qx::ntohl(address);

    // The image is mapped, not read: like the resource in the executable, its bytes
    // are used in place and the first touch of each page is the only cost.
    int fd = open(positional[1].c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info{};
    if (fd < 0 || fstat(fd, &info) != 0) {
        std::fprintf(stderr, "qx210-tftp-driver: cannot read %s\n", positional[1].c_str());
        return 1;
    }
    const std::size_t imageSize = static_cast<std::size_t>(info.st_size);
    // The program never sends an empty image, and a 16-bit block number limits the size.
    if (imageSize == 0 || imageSize > 65535ULL * 512 - 1) {
        std::fprintf(stderr, "qx210-tftp-driver: image size %zu is outside 1..33553919\n", imageSize);
        return 1;
    }
    void* mapped = mmap(nullptr, imageSize, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED) {
        std::fprintf(stderr, "qx210-tftp-driver: cannot map %s\n", positional[1].c_str());
        return 1;
    }
    std::span<const std::uint8_t> image(static_cast<const std::uint8_t*>(mapped), imageSize);

    qx::WSADATA wsa{};
    if (qx::WSAStartup(qx::MAKEWORD(1, 1), &wsa) != 0) {
        std::fprintf(stderr, "qx210-tftp-driver: the socket layer did not start\n");
        return 1;
    }
    qx::SkipPauseClock skipping;
    std::optional<qx::ScopedClock> scoped;
    if (!pause) scoped.emplace(skipping);

    static qx::DownloadJob job;  // zero-filled, like the application's one record
    qx::TransferRunResult run = qx::RunTransfer(options, image, job);
    qx::WSACleanup();
    if (!quiet || run.result != 0)
        std::printf("result=%d slices=%d bytes=%zu\n", run.result, run.slices, image.size());
    munmap(mapped, imageSize);
    return run.result == 0 ? 0 : 1;
}
