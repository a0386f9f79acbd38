// chatserver: a line-based multiplayer chat server for the online object.
//
//   chatserver [--bind ADDR] [--motd TEXT] [--version N] [--admin-key KEY]
//              [--max-clients N] [--verbose] [PORT]
//
// Listens on ADDR:PORT (127.0.0.1 by default; PORT 0 or none picks a free
// port) and prints the port on the first line of standard output. One select()
// loop serves every client; no thread per client. Builds for Windows (Winsock)
// and for POSIX systems from the same source.
//
// Protocol, as this server speaks it. Lines of 8-bit text, each ended by a
// line feed; a carriage return before it is dropped; fields are separated by
// "|", a run of "|" counting as one separator (empty fields do not exist).
// Client to server:
//   signon|alias|channel   sign on. Answer: "welcome|id|alias", then
//                          "motd|text" (when a text is set) and "ver|N"; then
//                          "signed|id|alias" for every client already signed
//                          on in the channel, and "signon|id|alias" to each of
//                          them. Ignored while signed on. An empty alias
//                          becomes "guest<id>". Alias and channel are cut to
//                          49 characters.
//   signoff                sign off: "signoff|id|alias" to the others of the
//                          channel and to the leaver as confirmation. The
//                          connection stays open; a later signon is welcome.
//                          A connection that closes while signed on (with or
//                          without a last "signoff" lacking its line feed)
//                          gives the others the same notice.
//   setalias|alias|        the alias of later notices; no notice is sent.
//   setchannel|channel     moves a signed-on client: "signoff|id|alias" to the
//                          old channel's others, "signed|..." for each client
//                          of the new channel to the mover, "signon|id|alias"
//                          to them. Before sign-on it only stores the channel.
//   m|sub|text             relayed to the other signed-on clients of the
//                          channel as "m|sub|senderId|senderAlias|text"; the
//                          text is the rest of the line, as sent.
//   ver|n                  the client's protocol version; noted, no answer.
//   admin|KEY|server|text  with the key given by --admin-key: "server|text"
//                          to every connected client.
//   admin|KEY|motd|text    sets the message of the day and sends it to every
//                          signed-on client.
//   admin|KEY|shutdown     ends the server.
// Anything else is ignored. Zero bytes are dropped on receipt. A line longer
// than 1023 characters is skipped whole, up to its line feed. A client whose
// unsent output passes 1 MiB (it stopped reading) is disconnected. Ids are
// assigned in order of connection, from 1.
#if defined(_WIN32)
#define FD_SETSIZE 1024
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
constexpr Socket BadSocket = INVALID_SOCKET;
static int LastSocketError() { return WSAGetLastError(); }
static bool WouldBlock(int e) { return e == WSAEWOULDBLOCK; }
static void CloseSocket(Socket s) { closesocket(s); }
static bool SetNonBlocking(Socket s)
{
    u_long one = 1;
    return ioctlsocket(s, FIONBIO, &one) == 0;
}
constexpr int SendFlags = 0;
#else
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
constexpr Socket BadSocket = -1;
static int LastSocketError() { return errno; }
static bool WouldBlock(int e) { return e == EAGAIN || e == EWOULDBLOCK || e == EINTR; }
static void CloseSocket(Socket s) { close(s); }
static bool SetNonBlocking(Socket s)
{
    const int flags = fcntl(s, F_GETFL, 0);
    return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
constexpr int SendFlags = MSG_NOSIGNAL;
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr size_t NameLimit = 49;
constexpr size_t LineLimit = 1023;
constexpr size_t OutputLimit = 1u << 20;

struct Options {
    std::string bind = "127.0.0.1";
    int port = 0;
    std::string motd = "Welcome to the chat server";
    int version = 1;
    std::string adminKey;
    size_t maxClients = 900;
    bool verbose = false;
};

struct Client {
    int id = 0;
    Socket socket = BadSocket;
    std::string alias;
    std::string channel;
    bool signedOn = false;
    int version = 0;
    std::string input;       // the line being received
    bool skipping = false;   // inside an overlong line, up to its line feed
    std::string output;      // bytes not yet sent
    bool dead = false;       // to be dropped at the end of this round
};

Options options;
std::vector<std::unique_ptr<Client>> clients;
int nextId = 1;
bool running = true;

void Log(const char* format, const std::string& a = std::string(), int n = 0)
{
    if (!options.verbose)
        return;
    std::fprintf(stderr, format, a.c_str(), n);
    std::fputc('\n', stderr);
}

// Fields of a line after a run-collapsing split; at most `max` fields, the
// last one taking the rest of the line as it stands when `restAsLast`.
std::vector<std::string> Split(const std::string& line, size_t max, bool restAsLast)
{
    std::vector<std::string> fields;
    size_t at = 0;
    while (fields.size() < max) {
        while (at < line.size() && line[at] == '|')
            ++at;
        if (at >= line.size())
            break;
        if (restAsLast && fields.size() + 1 == max) {
            fields.push_back(line.substr(at));
            break;
        }
        const size_t end = line.find('|', at);
        fields.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? line.size() : end;
    }
    return fields;
}

std::string Field(const std::vector<std::string>& f, size_t i) { return i < f.size() ? f[i] : std::string(); }
std::string Name(const std::string& s) { return s.substr(0, NameLimit); }

void Queue(Client& c, const std::string& line)
{
    if (c.dead)
        return;
    c.output += line;
    c.output += '\n';
    if (c.output.size() > OutputLimit) {
        Log("client %s%d stopped reading; dropped", "", c.id);
        c.dead = true;
    }
}

std::string Who(const char* keyword, const Client& c)
{
    return std::string(keyword) + "|" + std::to_string(c.id) + "|" + c.alias;
}

// Every other signed-on client of `c`'s channel.
template <class F>
void ForOthers(const Client& c, const std::string& channel, F f)
{
    for (auto& o : clients)
        if (o.get() != &c && !o->dead && o->signedOn && o->channel == channel)
            f(*o);
}

void Join(Client& c)
{
    ForOthers(c, c.channel, [&](Client& o) {
        Queue(c, Who("signed", o));
        Queue(o, Who("signon", c));
    });
}

void Leave(Client& c, bool confirm)
{
    if (!c.signedOn)
        return;
    const std::string notice = Who("signoff", c);
    ForOthers(c, c.channel, [&](Client& o) { Queue(o, notice); });
    if (confirm)
        Queue(c, notice);
    c.signedOn = false;
}

void Broadcast(const std::string& line, bool signedOnOnly)
{
    for (auto& o : clients)
        if (!o->dead && (!signedOnOnly || o->signedOn))
            Queue(*o, line);
}

void HandleLine(Client& c, std::string line)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    const size_t bar = line.find('|');
    const std::string keyword = line.substr(0, bar);
    const std::string rest = bar == std::string::npos ? std::string() : line.substr(bar);

    if (keyword == "signon") {
        if (c.signedOn)
            return;
        const auto f = Split(rest, 2, false);
        c.alias = Name(Field(f, 0));
        if (c.alias.empty())
            c.alias = "guest" + std::to_string(c.id);
        c.channel = Name(Field(f, 1));
        c.signedOn = true;
        Queue(c, Who("welcome", c));
        if (!options.motd.empty())
            Queue(c, "motd|" + options.motd);
        Queue(c, "ver|" + std::to_string(options.version));
        Join(c);
        Log("signon %s as id %d", c.alias, c.id);
    } else if (keyword == "signoff") {
        Leave(c, true);
    } else if (keyword == "setalias") {
        const std::string alias = Name(Field(Split(rest, 1, false), 0));
        if (!alias.empty())
            c.alias = alias;
    } else if (keyword == "setchannel") {
        const auto f = Split(rest, 1, false);
        if (f.empty())
            return;
        const std::string channel = Name(f[0]);
        if (!c.signedOn) {
            c.channel = channel;
        } else if (channel != c.channel) {
            Leave(c, false);
            c.channel = channel;
            c.signedOn = true;
            Join(c);
        }
    } else if (keyword == "m") {
        if (!c.signedOn)
            return;
        const auto f = Split(rest, 2, true);
        const long sub = std::strtol(Field(f, 0).c_str(), nullptr, 10);
        const std::string relay = "m|" + std::to_string(static_cast<int>(sub)) + "|" + std::to_string(c.id) + "|" +
                                  c.alias + "|" + Field(f, 1);
        ForOthers(c, c.channel, [&](Client& o) { Queue(o, relay); });
    } else if (keyword == "ver") {
        c.version = std::atoi(Field(Split(rest, 1, false), 0).c_str());
    } else if (keyword == "admin") {
        const auto f = Split(rest, 3, true);
        if (options.adminKey.empty() || Field(f, 0) != options.adminKey)
            return;
        const std::string command = Field(f, 1);
        if (command == "server") {
            Broadcast("server|" + Field(f, 2), false);
        } else if (command == "motd") {
            options.motd = Field(f, 2);
            Broadcast("motd|" + options.motd, true);
        } else if (command == "shutdown") {
            running = false;
        }
    }
}

void Receive(Client& c)
{
    char buffer[4096];
    const int n = static_cast<int>(recv(c.socket, buffer, sizeof buffer, 0));
    if (n == 0 || (n < 0 && !WouldBlock(LastSocketError()))) {
        c.dead = true;
        return;
    }
    for (int i = 0; i < n && !c.dead; ++i) {
        const char ch = buffer[i];
        if (ch == '\0')
            continue;
        if (ch == '\n') {
            if (!c.skipping)
                HandleLine(c, c.input);
            c.input.clear();
            c.skipping = false;
        } else if (c.skipping) {
        } else if (c.input.size() >= LineLimit) {
            c.input.clear();
            c.skipping = true;
        } else {
            c.input += ch;
        }
    }
}

void Flush(Client& c)
{
    while (!c.dead && !c.output.empty()) {
        const int n = static_cast<int>(send(c.socket, c.output.data(), static_cast<int>(c.output.size()), SendFlags));
        if (n > 0) {
            c.output.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && WouldBlock(LastSocketError()))
            return;
        c.dead = true;
    }
}

// Drops dead clients; the others of a dropped signed-on client's channel
// learn that it left. Repeats, since queuing can kill a slow reader.
void Reap()
{
    bool again = true;
    while (again) {
        again = false;
        for (size_t i = 0; i < clients.size(); ++i) {
            Client& c = *clients[i];
            if (!c.dead)
                continue;
            Log("client %s%d gone", "", c.id);
            Leave(c, false);
            CloseSocket(c.socket);
            clients.erase(clients.begin() + static_cast<long>(i));
            again = true;
            break;
        }
    }
}

void Accept(Socket listener)
{
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const Socket s = accept(listener, reinterpret_cast<sockaddr*>(&from), &length);
    if (s == BadSocket)
        return;
#if !defined(_WIN32)
    if (s >= FD_SETSIZE) {
        CloseSocket(s);
        return;
    }
#endif
    if (clients.size() >= options.maxClients || !SetNonBlocking(s)) {
        CloseSocket(s);
        return;
    }
    int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    auto c = std::make_unique<Client>();
    c->id = nextId++;
    c->socket = s;
    Log("client %s%d connected", "", c->id);
    clients.push_back(std::move(c));
}

bool ParseOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--bind" && hasValue)
            options.bind = argv[++i];
        else if (a == "--motd" && hasValue)
            options.motd = argv[++i];
        else if (a == "--version" && hasValue)
            options.version = std::atoi(argv[++i]);
        else if (a == "--admin-key" && hasValue)
            options.adminKey = argv[++i];
        else if (a == "--max-clients" && hasValue)
            options.maxClients = static_cast<size_t>(std::atoi(argv[++i]));
        else if (a == "--verbose")
            options.verbose = true;
        else if (!a.empty() && a[0] != '-')
            options.port = std::atoi(a.c_str());
        else {
            std::fprintf(stderr,
                         "usage: chatserver [--bind ADDR] [--motd TEXT] [--version N] [--admin-key KEY]\n"
                         "                  [--max-clients N] [--verbose] [PORT]\n");
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!ParseOptions(argc, argv))
        return 2;
#if defined(_WIN32)
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        std::fprintf(stderr, "chatserver: no socket layer\n");
        return 1;
    }
#else
    std::signal(SIGPIPE, SIG_IGN);
#endif
    const Socket listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == BadSocket) {
        std::fprintf(stderr, "chatserver: socket failed (%d)\n", LastSocketError());
        return 1;
    }
#if !defined(_WIN32)
    int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
#endif
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(options.port));
    address.sin_addr.s_addr = inet_addr(options.bind.c_str());
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 64) != 0) {
        std::fprintf(stderr, "chatserver: cannot listen on %s:%d (%d)\n", options.bind.c_str(), options.port,
                     LastSocketError());
        return 1;
    }
    SetNonBlocking(listener);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::printf("%d\n", ntohs(address.sin_port));
    std::fflush(stdout);

    while (running) {
        fd_set readable;
        fd_set writable;
        FD_ZERO(&readable);
        FD_ZERO(&writable);
        FD_SET(listener, &readable);
        Socket highest = listener;
        for (auto& c : clients) {
            FD_SET(c->socket, &readable);
            if (!c->output.empty())
                FD_SET(c->socket, &writable);
            if (c->socket > highest)
                highest = c->socket;
        }
        const int ready = select(static_cast<int>(highest + 1), &readable, &writable, nullptr, nullptr);
        if (ready < 0) {
            if (WouldBlock(LastSocketError()))
                continue;
            std::fprintf(stderr, "chatserver: select failed (%d)\n", LastSocketError());
            break;
        }
        // Clients accepted in this round are served from the next one.
        const size_t served = clients.size();
        for (size_t i = 0; i < served && running; ++i)
            if (FD_ISSET(clients[i]->socket, &readable))
                Receive(*clients[i]);
        if (FD_ISSET(listener, &readable))
            Accept(listener);
        Reap();
        for (auto& c : clients)
            Flush(*c);
        Reap();
    }
    for (auto& c : clients) {
        Flush(*c);
        CloseSocket(c->socket);
    }
    CloseSocket(listener);
#if defined(_WIN32)
    WSACleanup();
#endif
    return 0;
}
