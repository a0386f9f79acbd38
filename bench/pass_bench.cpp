// pass_bench: the receive pass's own work, without a socket: a peer that
// answers every receive at once, either with nothing or with a full 300
// bytes of short lines. Built natively (native/) and for Windows; prints
// nanoseconds per pass. Run it under callgrind for instruction counts.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "protocol.h"

namespace {

class Peer final : public online::Peer {
public:
    std::string chunk;  // empty: nothing to read
    long events = 0;
    int Receive(char* buffer, int size) override
    {
        if (chunk.empty())
            return -1;
        const int n = static_cast<int>(chunk.size()) < size ? static_cast<int>(chunk.size()) : size;
        std::memcpy(buffer, chunk.data(), static_cast<size_t>(n));
        return n;
    }
    void CloseAfterServerClose() override {}
    int Send(const char*, size_t n) override { return static_cast<int>(n); }
    void RecordLastError() override {}
    void RaiseTextEvent(int32_t) override { ++events; }
    void ShowServerNotice(const char*) override {}
};

double NanosecondsPerPass(online::OnlineFields& f, Peer& peer, long passes)
{
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < passes; ++i)
        online::ReceivePass(f, peer);
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() /
           static_cast<double>(passes);
}

}  // namespace

int main(int argc, char** argv)
{
    const long passes = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::unique_ptr<online::OnlineFields> fields(new online::OnlineFields{});
    online::OnlineFields& f = *fields;
    f.connected = 1;
    f.signedOn = 1;
    Peer peer;
    std::printf("idle pass (nothing to read):        %7.1f ns\n", NanosecondsPerPass(f, peer, passes));
    for (int i = 0; i < 20; ++i)
        peer.chunk += "m|1|2|bo|hello\n";
    std::printf("full pass, 20 text messages+events: %7.1f ns\n", NanosecondsPerPass(f, peer, passes / 10));
    peer.chunk.clear();
    while (peer.chunk.size() + 14 <= 300)
        peer.chunk += "motd|hi there\n";
    std::printf("full pass, 21 motd lines, no event: %7.1f ns\n", NanosecondsPerPass(f, peer, passes / 10));
    peer.chunk = std::string(300, 'x');
    std::printf("full pass, 300 bytes of no line:    %7.1f ns\n", NanosecondsPerPass(f, peer, passes / 10));
    return peer.events > 0 ? 0 : 1;
}
