// relay_bench PORT [CLIENTS] [MESSAGES]: relay throughput of a running chat
// server on 127.0.0.1:PORT. CLIENTS clients (50) sign on to one channel; then
// each sends MESSAGES (200) text lines as fast as the server takes them, and
// the run ends when every client has received every other client's lines.
// One select() loop drives all clients. Prints messages sent per second and
// lines delivered per second. Bounded: gives up after 120 seconds.
#if defined(_WIN32)
#define FD_SETSIZE 1024
#include <winsock2.h>
using Socket = SOCKET;
static void CloseSocket(Socket s) { closesocket(s); }
static void NonBlocking(Socket s)
{
    u_long one = 1;
    ioctlsocket(s, FIONBIO, &one);
}
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
static void CloseSocket(Socket s) { close(s); }
static void NonBlocking(Socket s) { fcntl(s, F_SETFL, fcntl(s, F_GETFL, 0) | O_NONBLOCK); }
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Client {
    Socket s;
    std::string out;
    std::string in;
    long lines = 0;
    long messages = 0;  // "m|" lines received
};

void Pump(std::vector<Client>& clients, long wantLines, long wantMessages, Clock::time_point deadline)
{
    for (;;) {
        bool done = true;
        for (const Client& c : clients)
            if (c.lines < wantLines || c.messages < wantMessages || !c.out.empty())
                done = false;
        if (done || Clock::now() > deadline)
            return;
        fd_set r, w;
        FD_ZERO(&r);
        FD_ZERO(&w);
        Socket high = 0;
        for (const Client& c : clients) {
            FD_SET(c.s, &r);
            if (!c.out.empty())
                FD_SET(c.s, &w);
            if (c.s > high)
                high = c.s;
        }
        timeval t{0, 100000};
        if (select(static_cast<int>(high + 1), &r, &w, nullptr, &t) <= 0)
            continue;
        for (Client& c : clients) {
            if (FD_ISSET(c.s, &w)) {
                const int n = static_cast<int>(send(c.s, c.out.data(), static_cast<int>(c.out.size()), 0));
                if (n > 0)
                    c.out.erase(0, static_cast<size_t>(n));
            }
            if (FD_ISSET(c.s, &r)) {
                char buffer[65536];
                const int n = static_cast<int>(recv(c.s, buffer, sizeof buffer, 0));
                if (n <= 0)
                    continue;
                c.in.append(buffer, static_cast<size_t>(n));
                size_t start = 0, end;
                while ((end = c.in.find('\n', start)) != std::string::npos) {
                    ++c.lines;
                    if (c.in.compare(start, 2, "m|") == 0)
                        ++c.messages;
                    start = end + 1;
                }
                c.in.erase(0, start);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: relay_bench PORT [CLIENTS] [MESSAGES]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int count = argc > 2 ? std::atoi(argv[2]) : 50;
    const int messages = argc > 3 ? std::atoi(argv[3]) : 200;
#if defined(_WIN32)
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    std::vector<Client> clients;
    for (int i = 0; i < count; ++i) {
        Client c{socket(AF_INET, SOCK_STREAM, IPPROTO_TCP), "", "", 0, 0};
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<unsigned short>(port));
        a.sin_addr.s_addr = inet_addr("127.0.0.1");
        if (connect(c.s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            std::fprintf(stderr, "relay_bench: cannot connect client %d\n", i);
            return 1;
        }
        NonBlocking(c.s);
        c.out = "signon|c" + std::to_string(i) + "|bench\n";
        clients.push_back(c);
        // One at a time, so that the notices are in a known number.
        Pump(clients, 0, 0, deadline);
    }
    // welcome, motd, ver, and one signed/signon notice per other client.
    Pump(clients, count + 2, 0, deadline);
    for (Client& c : clients)
        c.lines = 0;

    const auto start = Clock::now();
    for (size_t i = 0; i < clients.size(); ++i)
        for (int k = 0; k < messages; ++k)
            clients[i].out += "m|1|message " + std::to_string(k) + " from client " + std::to_string(i) + "\n";
    const long expected = static_cast<long>(count - 1) * messages;
    Pump(clients, 0, expected, deadline);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    long delivered = 0;
    for (const Client& c : clients)
        delivered += c.messages;
    const long sent = static_cast<long>(count) * messages;
    std::printf("%d clients, %ld messages sent, %ld of %ld deliveries in %.3f s\n", count, sent, delivered,
                expected * count, seconds);
    std::printf("relay: %.0f messages/s in, %.0f lines/s delivered\n", sent / seconds, delivered / seconds);
    for (Client& c : clients)
        CloseSocket(c.s);
    return delivered == expected * count ? 0 : 1;
}
