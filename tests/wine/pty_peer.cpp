// The receiver's end of a pseudo-terminal for the serial test under Wine: makes
// the pseudo-terminal raw, prints its device path, waits for the information
// request, answers with a three-frame reply and writes that reply in hex to the
// file named on the command line. Exits 0 once the request was right and the
// reply sent; stays until killed so that the device stays open.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "protocol/command_frame.h"
#include "tests/support/receiver_frames.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pty_peer REPLY_HEX_FILE\n");
        return 2;
    }
    int master = -1, slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
    termios raw;
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    std::printf("%s\n", name);
    std::fflush(stdout);

    uint8_t request[9];
    size_t got = 0;
    for (int waited = 0; got < sizeof request && waited < 60000; waited += 100) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            const ssize_t n = read(master, request + got, sizeof request - got);
            if (n > 0) got += static_cast<size_t>(n);
        }
    }
    if (got != sizeof request || std::memcmp(request, protocol::InfoRequestFrame, sizeof request) != 0) {
        std::fprintf(stderr, "pty_peer: no information request (%zu bytes)\n", got);
        return 1;
    }
    const testing_support::Bytes reply = testing_support::InfoReply();
    if (write(master, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size())) return 1;
    FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) return 1;
    for (uint8_t b : reply) std::fprintf(out, "%02x", b);
    std::fprintf(out, "\n");
    std::fclose(out);
    std::fprintf(stderr, "pty_peer: request ok, %zu reply bytes sent\n", reply.size());
    pause();
    return 0;
}
