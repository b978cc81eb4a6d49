// Writes a seed corpus for each fuzz target from real frames:
//   make_seeds DIR   ->  DIR/<target>/<seed>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "images/image_resources.h"
#include "res/resource.h"
#include "tests/support/receiver_frames.h"

using testing_support::Bytes;
using testing_support::Frame;
using testing_support::Join;

namespace {

std::string g_root;

void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
    const std::string dir = g_root + "/" + target;
    mkdir(g_root.c_str(), 0755);
    mkdir(dir.c_str(), 0755);
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Stage input: the stage byte, then pieces of (length, bytes).
Bytes StageInput(int stage, const std::vector<Bytes>& pieces) {
    Bytes in{static_cast<uint8_t>(stage)};
    for (const Bytes& p : pieces) {
        in.push_back(static_cast<uint8_t>(p.size()));
        in.insert(in.end(), p.begin(), p.end());
    }
    return in;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    g_root = argv[1];
    const Bytes reply = testing_support::InfoReply();
    const Bytes ss = Frame('S', 'S', {'1', '6', 'S'}), sx = Frame('S', 'X', {}), sc = Frame('S', 'C', {});
    Seed("info_reply", "reply", reply);
    Seed("info_reply", "noisy", Join({Bytes{0x01, 0x02}, reply}));
    Seed("info_reply", "cut", Bytes(reply.begin(), reply.begin() + 140));
    Seed("command_reply", "ss115200", ss);
    Seed("command_reply", "ss9600", Frame('S', 'S', {'1', '6', '9'}));
    Seed("command_reply", "sx", sx);
    Seed("command_reply", "sc", sc);
    Seed("command_reply", "noise_sx", Join({Bytes{0x13, 0x11}, sx}));
    Seed("boot_reply", "request5", testing_support::BootRequest(5));
    Seed("boot_reply", "noise_request", Join({Bytes{0x00, 0x42}, testing_support::BootRequest(300)}));
    Seed("boot_reply", "done", testing_support::BootDone());
    const images::FoundResource boot = images::CarriedImages().Find(IDR_BIN_BOOT);
    Bytes record(77, 0x20);
    record[0] = 0xAA;
    Seed("image_reader", "carried_boot_256", Join({record, Bytes{8 + 128}, Bytes(boot.bytes, boot.bytes + boot.size)}));
    Seed("image_reader", "small_slot", Join({record, Bytes{8 + 16}, Bytes{1, 2, 3, 0xAA, 'Q', 'M', 120, 4, 5}}));
    Seed("stages", "stage0", StageInput(0, {Bytes(), reply}));
    Seed("stages", "stage1", StageInput(1, {ss, Bytes(), sx, Bytes(), sx, Bytes(), sc}));
    Seed("stages", "stage2", StageInput(2, {testing_support::BootRequest(1), Bytes(), testing_support::BootRequest(2),
                                            Bytes(), testing_support::BootDone()}));
    Seed("stages", "stage3", StageInput(3, {Frame('S', 'S', {'1', '6', '0'}), Bytes(), sx, Bytes(), sc}));
    return 0;
}
