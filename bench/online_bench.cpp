// online_bench: the cost of one receive pass (HandleRunObject) of online.dll
// in the host stand-in, against a loopback peer inside this program.
//   - idle: connected, nothing to read (the usual frame between messages);
//   - full: every pass reads a full 300 bytes of short lines, signed on, so
//     each pass dispatches 20 text messages and raises 20 events ("m" lines),
//     or stores 25 messages of the day without events ("motd" lines).
// Prints nanoseconds per pass; timed with QueryPerformanceCounter.
#include <winsock2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host.h"

namespace {

enum { Connect = 0, SignOn = 2 };

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

bool SendAll(SOCKET s, const std::string& bytes)
{
    size_t at = 0;
    while (at < bytes.size()) {
        const int n = send(s, bytes.data() + at, static_cast<int>(bytes.size() - at), 0);
        if (n <= 0)
            return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

// Passes over `rounds` fillings of `fill` bytes of `line` repeated; only the
// passes are timed.
double FullPasses(host::RunObject& object, SOCKET peer, const std::string& line, int rounds, long* passes)
{
    const size_t perRound = 240 * 1024;  // stays within the loopback buffers
    std::string block;
    while (block.size() + line.size() <= perRound)
        block += line;
    // Whole 300-byte receives only: leave the last part of each block unread.
    const long passesPerRound = static_cast<long>(block.size() / 300) - 4;
    double total = 0;
    *passes = 0;
    for (int r = 0; r < rounds; ++r) {
        if (!SendAll(peer, block))
            break;
        Sleep(20);  // let the bytes arrive
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        for (long i = 0; i < passesPerRound; ++i)
            object.frame();
        QueryPerformanceCounter(&b);
        total += Seconds(a, b);
        *passes += passesPerRound;
        // Drain the rest untimed.
        for (int i = 0; i < 20; ++i)
            object.frame();
        object.events.clear();
    }
    return total;
}

}  // namespace

int main(int argc, char** argv)
{
    const long idlePasses = argc > 1 ? std::atol(argv[1]) : 200000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 40;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    host::Library library(host::DeliverablePath("online"));
    if (!library.loaded()) {
        std::fprintf(stderr, "online.dll not found\n");
        return 1;
    }
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener, 1);
    int length = sizeof a;
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length);

    host::RunObject object(library);
    object.action(Connect, "127.0.0.1", ntohs(a.sin_port));
    SOCKET peer = accept(listener, nullptr, nullptr);
    int big = 1 << 20;
    setsockopt(peer, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&big), sizeof big);
    object.action(SignOn, "bench", "lobby");
    SendAll(peer, "welcome|1|bench\n");
    for (int i = 0; i < 100; ++i) {
        object.frame();
        Sleep(1);
    }

    // The socket layer's own share: a would-block recv on a non-blocking
    // socket of this process (under wine64 most of a pass is this call).
    {
        SOCKET c = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
        SOCKET s = accept(listener, nullptr, nullptr);
        u_long one = 1;
        ioctlsocket(c, FIONBIO, &one);
        char buffer[300];
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        for (long i = 0; i < idlePasses; ++i)
            recv(c, buffer, sizeof buffer, 0);
        QueryPerformanceCounter(&t1);
        std::printf("bare recv, would block:             %8.0f ns\n",
                    Seconds(t0, t1) * 1e9 / static_cast<double>(idlePasses));
        closesocket(s);
        closesocket(c);
    }

    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    for (long i = 0; i < idlePasses; ++i)
        object.frame();
    QueryPerformanceCounter(&t1);
    std::printf("idle pass (nothing to read):        %8.0f ns  (%ld passes)\n",
                Seconds(t0, t1) * 1e9 / static_cast<double>(idlePasses), idlePasses);

    long passes = 0;
    const double m = FullPasses(object, peer, "m|1|2|bo|hello\n", rounds, &passes);
    std::printf("full pass, 20 text messages+events: %8.0f ns  (%ld passes, %.1f MB/s)\n",
                m * 1e9 / static_cast<double>(passes), passes, static_cast<double>(passes) * 300 / m / 1e6);
    const double motd = FullPasses(object, peer, "motd|hi there\n", rounds, &passes);
    std::printf("full pass, 21 motd lines, no event: %8.0f ns  (%ld passes, %.1f MB/s)\n",
                motd * 1e9 / static_cast<double>(passes), passes, static_cast<double>(passes) * 300 / motd / 1e6);
    closesocket(peer);
    closesocket(listener);
    object.destroy();
    WSACleanup();
    return 0;
}
