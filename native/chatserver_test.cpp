// The chat server over loopback, natively: a real server process, raw
// clients, every wait bounded by a deadline.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#ifndef CHATSERVER_PATH
#error CHATSERVER_PATH names the server program
#endif

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto Patience = std::chrono::seconds(5);

// A chat server started for one test and stopped by it.
class Server {
public:
    explicit Server(std::vector<std::string> extra = {})
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            std::vector<char*> argv{const_cast<char*>(CHATSERVER_PATH)};
            for (auto& a : extra)
                argv.push_back(a.data());
            argv.push_back(const_cast<char*>("0"));
            argv.push_back(nullptr);
            execv(CHATSERVER_PATH, argv.data());
            _exit(127);
        }
        close(out[1]);
        std::string line;
        const auto deadline = Clock::now() + Patience;
        while (line.find('\n') == std::string::npos && Clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char c[64];
            const ssize_t n = read(out[0], c, sizeof c);
            if (n <= 0)
                break;
            line.append(c, static_cast<size_t>(n));
        }
        close(out[0]);
        port_ = std::atoi(line.c_str());
    }
    ~Server()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    int port() const { return port_; }
    // Waits for the process to end by itself; its exit status, or -1.
    int waitExit()
    {
        const auto deadline = Clock::now() + Patience;
        int status = 0;
        while (Clock::now() < deadline) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            usleep(10000);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    bool exited_ = false;
};

class Client {
public:
    explicit Client(int port)
    {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~Client() { close(); }
    bool connected() const { return connected_; }
    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    void send(const std::string& bytes) { ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size())); }
    // The next line, without its line feed; "<none>" when none came in time.
    std::string line(std::chrono::milliseconds wait = std::chrono::milliseconds(3000))
    {
        const auto deadline = Clock::now() + wait;
        for (;;) {
            const size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string l = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return l;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return "<none>";
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0)
                continue;
            char c[4096];
            const ssize_t n = recv(fd_, c, sizeof c, 0);
            if (n <= 0)
                return "<closed>";
            buffer_.append(c, static_cast<size_t>(n));
        }
    }
    std::vector<std::string> lines(size_t count)
    {
        std::vector<std::string> out;
        for (size_t i = 0; i < count; ++i)
            out.push_back(line());
        return out;
    }
    // True when nothing arrives within a short wait.
    bool quiet() { return line(std::chrono::milliseconds(200)) == "<none>"; }

private:
    int fd_ = -1;
    bool connected_ = false;
    std::string buffer_;
};

using Lines = std::vector<std::string>;

TEST(ChatServer, SignOnRelayAndSignOff)
{
    Server server({"--motd", "hello all", "--version", "3"});
    ASSERT_GT(server.port(), 0);
    Client ann(server.port()), bob(server.port()), cy(server.port());
    ASSERT_TRUE(ann.connected() && bob.connected() && cy.connected());

    ann.send("signon|ann|lobby\n");
    EXPECT_EQ(ann.lines(3), (Lines{"welcome|1|ann", "motd|hello all", "ver|3"}));
    bob.send("signon|bob|lobby\r\n");
    EXPECT_EQ(bob.lines(4), (Lines{"welcome|2|bob", "motd|hello all", "ver|3", "signed|1|ann"}));
    EXPECT_EQ(ann.line(), "signon|2|bob");
    cy.send("signon|\n");  // no fields: a guest alias, the empty channel
    EXPECT_EQ(cy.line(), "welcome|3|guest3");
    cy.lines(2);

    ann.send("ver|1\nm|-5|hi there|with bar\n");
    EXPECT_EQ(bob.line(), "m|-5|1|ann|hi there|with bar");
    EXPECT_TRUE(ann.quiet()) << "no echo to the sender";
    EXPECT_TRUE(cy.quiet()) << "another channel hears nothing";

    bob.send("signoff\n");
    EXPECT_EQ(bob.line(), "signoff|2|bob");
    EXPECT_EQ(ann.line(), "signoff|2|bob");
    bob.send("m|1|gone\n");
    EXPECT_TRUE(ann.quiet()) << "a signed-off client is not relayed";

    // The destruction sign-off: "signoff" without its line feed, then close.
    cy.send("setchannel|lobby\n");
    EXPECT_EQ(cy.line(), "signed|1|ann");
    EXPECT_EQ(ann.line(), "signon|3|guest3");
    cy.send("signoff");
    cy.close();
    EXPECT_EQ(ann.line(), "signoff|3|guest3");
}

TEST(ChatServer, AliasAndChannelChanges)
{
    Server server;
    Client ann(server.port()), bob(server.port());
    ann.send("signon|ann|a\n");
    ann.lines(3);
    bob.send("setchannel|b\nsignon|bob|a\n");  // the sign-on's channel wins
    EXPECT_EQ(bob.lines(4)[3], "signed|1|ann");
    EXPECT_EQ(ann.line(), "signon|2|bob");
    bob.send("setalias|" + std::string(60, 'z') + "|\nm|1|x\n");
    EXPECT_EQ(ann.line(), "m|1|2|" + std::string(49, 'z') + "|x");
    bob.send("setchannel|b\n");
    EXPECT_EQ(ann.line(), "signoff|2|" + std::string(49, 'z'));
    EXPECT_TRUE(bob.quiet()) << "channel b is empty";
}

TEST(ChatServer, SurvivesGarbageOverlongLinesAndVanishingClients)
{
    Server server;
    {
        Client rude(server.port());
        rude.send(std::string(5000, 'x') + "\nm|1|noise\n" + std::string("\0\xff|||\n\n\n", 8) + "signon|ru");
    }  // gone mid-line
    Client ann(server.port());
    ann.send(std::string(3000, 'y') + "server|fake\nsignon|ann|" + std::string("lob\0by", 6) + "\n");
    EXPECT_EQ(ann.lines(3)[0], "welcome|2|ann") << "the overlong line was skipped up to its line feed";
    Client bob(server.port());
    bob.send("signon|bob|lobby\n");
    EXPECT_EQ(bob.lines(4)[3], "signed|2|ann") << "zero bytes are dropped";
    EXPECT_EQ(ann.line(), "signon|3|bob");
}

TEST(ChatServer, AdminNoticesAndShutdown)
{
    Server server({"--admin-key", "k3y"});
    Client ann(server.port()), admin(server.port());
    ann.send("signon|ann|lobby\n");
    ann.lines(3);
    admin.send("admin|wrong|server|no\nadmin|k3y|server|Maintenance at noon\nadmin|k3y|motd|new motd\n");
    EXPECT_EQ(ann.line(), "server|Maintenance at noon");
    EXPECT_EQ(ann.line(), "motd|new motd");
    EXPECT_EQ(admin.line(), "server|Maintenance at noon") << "every connected client gets a server notice";
    admin.send("admin|k3y|shutdown\n");
    EXPECT_EQ(server.waitExit(), 0);
    EXPECT_EQ(ann.line(), "<closed>");
}

}  // namespace
