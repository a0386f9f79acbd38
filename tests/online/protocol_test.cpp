// The online object's portable line protocol, driven through a scripted peer.
// Built twice: natively (native/) and for x86_64 Windows under wine64.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "protocol.h"
#include "socket_errors.h"

using online::OnlineFields;

namespace {

// A peer that hands out scripted receives and records everything else.
class ScriptedPeer final : public online::Peer {
public:
    // Each entry is one receive: its bytes, or the server closing.
    struct Receipt {
        std::string bytes;
        bool closed = false;
    };
    std::deque<Receipt> receipts;
    std::vector<std::string> sent;
    std::vector<int32_t> events;
    std::vector<std::string> notices;
    std::vector<int> receiveSizes;
    int closes = 0;
    int errorsRecorded = 0;
    bool failSends = false;

    int Receive(char* buffer, int size) override
    {
        receiveSizes.push_back(size);
        if (receipts.empty())
            return -1;
        Receipt r = receipts.front();
        receipts.pop_front();
        if (r.closed)
            return 0;
        EXPECT_LE(static_cast<int>(r.bytes.size()), size);
        std::memcpy(buffer, r.bytes.data(), r.bytes.size());
        return static_cast<int>(r.bytes.size());
    }
    void CloseAfterServerClose() override { ++closes; }
    int Send(const char* bytes, size_t length) override
    {
        sent.emplace_back(bytes, length);
        return failSends ? -1 : static_cast<int>(length);
    }
    void RecordLastError() override { ++errorsRecorded; }
    void RaiseTextEvent(int32_t subchannel) override { events.push_back(subchannel); }
    void ShowServerNotice(const char* text) override { notices.emplace_back(text); }
};

class Protocol : public ::testing::Test {
protected:
    Protocol() : fields(new OnlineFields{}), f(*fields) { f.connected = 1; }

    // Runs passes until every scripted receive has been taken; a chunk
    // longer than one receive arrives in several.
    void Feed(std::initializer_list<std::string> chunks)
    {
        for (const std::string& c : chunks)
            for (size_t at = 0; at < c.size() || at == 0; at += online::ReceiveLimit)
                peer.receipts.push_back({c.substr(at, online::ReceiveLimit), false});
        while (!peer.receipts.empty())
            online::ReceivePass(f, peer);
    }
    // Sends a welcome for id 7, alias "ann".
    void Welcome() { Feed({"welcome|7|ann\n"}); }

    std::unique_ptr<OnlineFields> fields;
    OnlineFields& f;
    ScriptedPeer peer;
};

TEST_F(Protocol, CommandsCarryTheirExactBytesAndStoreTheirNames)
{
    const std::string alias60(60, 'a');
    online::SignOn(f, peer, "bob", "lobby");
    EXPECT_STREQ(f.channel, "lobby");
    EXPECT_STREQ(f.ownAlias, "") << "sign-on leaves the alias to the welcome";
    Welcome();
    online::SignOn(f, peer, "bob", "again");  // signed on: nothing
    online::SetAlias(f, peer, alias60.c_str());
    EXPECT_EQ(std::string(f.ownAlias), alias60.substr(0, 49));
    online::SetChannel(f, peer, "den");
    EXPECT_STREQ(f.channel, "den");
    EXPECT_EQ(online::SendText(f, peer, "hi there", -5), 0);
    EXPECT_EQ(online::SendText(f, peer, "", 0), 0);
    online::SignOff(f, peer);
    EXPECT_EQ(+f.signedOn, 1u) << "only the server's notice signs off";

    const std::vector<std::string> expected = {
        "signon|bob|lobby\n", "setalias|" + alias60.substr(0, 49) + "|\n", "setchannel|den\n", "m|-5|hi there\n",
        "m|0|\n", "signoff\n",
    };
    EXPECT_EQ(peer.sent, expected);
}

TEST_F(Protocol, CommandsNeedTheirConnectionState)
{
    f.connected = 0;
    online::SignOn(f, peer, "bob", "lobby");
    online::SignOff(f, peer);
    online::SetAlias(f, peer, "x");
    online::SetChannel(f, peer, "y");
    EXPECT_EQ(online::SendText(f, peer, "t", 1), 0);
    EXPECT_TRUE(peer.sent.empty());
    EXPECT_STREQ(f.channel, "");
    f.connected = 1;
    online::SignOff(f, peer);  // connected, not signed on
    EXPECT_TRUE(peer.sent.empty());
}

TEST_F(Protocol, LongSendTextIsCutAndStillEndsWithItsLineFeed)
{
    const std::string text(3000, 'x');
    std::memset(f.outLine, '#', sizeof f.outLine);
    EXPECT_EQ(online::SendText(f, peer, text.c_str(), -2147483647 - 1), 0);
    ASSERT_EQ(peer.sent.size(), 1u);
    const std::string& line = peer.sent[0];
    EXPECT_EQ(line.size(), 1023u);
    EXPECT_EQ(line.substr(0, 14), "m|-2147483648|");
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(+f.outLine[1023], '\0') << "the line and its terminator stay inside outLine";
}

TEST_F(Protocol, FailedSendTextRecordsTheErrorAndReturnsOne)
{
    peer.failSends = true;
    EXPECT_EQ(online::SendText(f, peer, "lost", 3), 1);
    EXPECT_EQ(peer.errorsRecorded, 1);
    Welcome();
    online::SignOff(f, peer);  // other sends ignore their result
    EXPECT_EQ(peer.errorsRecorded, 1);
}

TEST_F(Protocol, NoticesBeforeTheWelcomeAreIgnoredExceptTheAlwaysOnes)
{
    Feed({"m|1|2|cy|early\nsigned|3|di\nsignon|4|ed\nsignoff|5|fay\nmotd|hello all\nver|3\n"});
    EXPECT_EQ(+f.messageWaiting, 0u);
    EXPECT_EQ(+f.clientWasSignedOn + f.clientJustSignedOn + f.clientLeft, 0u);
    EXPECT_EQ(+f.clientId, 0);
    EXPECT_TRUE(peer.events.empty());
    EXPECT_STREQ(f.serverMessage, "hello all");
    EXPECT_EQ(+f.serverVersion, 3);
    EXPECT_EQ(peer.sent, std::vector<std::string>{"ver|1\n"});
    EXPECT_EQ(peer.sent[0].size(), 6u);
}

TEST_F(Protocol, ClientNoticesCompareIdsWithOwnId)
{
    Welcome();
    EXPECT_EQ(+f.signedOn, 1u);
    EXPECT_EQ(+f.ownId, 7);
    EXPECT_STREQ(f.ownAlias, "ann");
    Feed({"signon|7|ann\n"});
    EXPECT_EQ(+f.clientJustSignedOn, 0u);
    Feed({"signon|8|bo\n"});
    EXPECT_EQ(+f.clientJustSignedOn, 1u);
    Feed({"signed|9|cy\n"});
    EXPECT_EQ(+f.clientWasSignedOn, 1u);
    EXPECT_EQ(+f.clientId, 9);
    EXPECT_STREQ(f.clientAlias, "cy");
    Feed({"signoff|8|bo\n"});
    EXPECT_EQ(+f.clientLeft, 1u);
    EXPECT_EQ(+f.signedOn, 1u);
    Feed({"signoff|7|ann\n"});
    EXPECT_EQ(+f.signedOn, 0u);
    EXPECT_EQ(+f.connected, 1u);
    Feed({"m|1|8|bo|after\n"});
    EXPECT_EQ(+f.messageWaiting, 0u) << "messages need signedOn";
}

TEST_F(Protocol, LinesAreAssembledAcrossAndWithinReceives)
{
    Welcome();
    // Two messages and a split one; empty, one-character and "\r" lines between.
    Feed({"m|1|8|bo|one\n\nx\nm|2|9|cy|tw", "o\r\n", "\n|\nm|3|8|bo|three\n"});
    EXPECT_EQ(peer.events, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_STREQ(f.messageText, "three");
    EXPECT_EQ(+f.messageSubchannel, 3);
    EXPECT_EQ(+f.senderId, 8);
    EXPECT_STREQ(f.senderAlias, "bo");
    EXPECT_STREQ(f.pendingText, "");
    // A part line stays pending until its line feed arrives.
    Feed({"m|4|9|cy|par"});
    EXPECT_STREQ(f.pendingText, "m|4|9|cy|par");
    EXPECT_EQ(peer.events.size(), 3u);
    Feed({"tial\n"});
    EXPECT_STREQ(f.messageText, "partial");
}

TEST_F(Protocol, EventIsRaisedAfterTheMessageFieldsAreSet)
{
    Welcome();
    struct CheckingPeer final : online::Peer {
        OnlineFields* f = nullptr;
        std::string seen;
        std::deque<std::string> data{"m|6|3|eve|ping\n"};
        int Receive(char* b, int) override
        {
            if (data.empty())
                return -1;
            std::memcpy(b, data.front().data(), data.front().size());
            const int n = static_cast<int>(data.front().size());
            data.pop_front();
            return n;
        }
        void CloseAfterServerClose() override {}
        int Send(const char*, size_t n) override { return static_cast<int>(n); }
        void RecordLastError() override {}
        void RaiseTextEvent(int32_t sub) override
        {
            seen = std::to_string(sub) + ":" + std::to_string(f->messageWaiting) + ":" + f->messageText + ":" +
                   f->senderAlias;
        }
        void ShowServerNotice(const char*) override {}
    } checking;
    checking.f = &f;
    online::ReceivePass(f, checking);
    EXPECT_EQ(checking.seen, "6:1:ping:eve");
}

// How fields are split and stored: runs of "|", cut fields, missing fields.
TEST_F(Protocol, FieldsAreSplitCutAndDefaulted)
{
    Welcome();
    const std::string alias80(80, 'q');
    const std::string motd400(400, 'm');
    Feed({"m||2|||8|bo|a|b\n"});
    EXPECT_EQ(+f.messageSubchannel, 2);
    EXPECT_EQ(+f.senderId, 8);
    EXPECT_STREQ(f.senderAlias, "bo");
    EXPECT_STREQ(f.messageText, "a") << "a text ends at the next separator";
    Feed({"signed|12|" + alias80 + "\n"});
    EXPECT_EQ(std::string(f.clientAlias), alias80.substr(0, 49));
    Feed({"motd|" + motd400 + "\n"});
    EXPECT_EQ(std::string(f.serverMessage), motd400.substr(0, 255));
    Feed({"motd|\n"});
    EXPECT_STREQ(f.serverMessage, "");
    Feed({"m|5\n"});
    EXPECT_EQ(+f.messageSubchannel, 5);
    EXPECT_EQ(+f.senderId, 0);
    EXPECT_STREQ(f.senderAlias, "");
    EXPECT_STREQ(f.messageText, "");
    Feed({"ver|\n", "ver|  -42xyz\n"});
    EXPECT_EQ(+f.serverVersion, -42);
    Feed({"welcome|  +9 |zed\r\n"});
    EXPECT_EQ(+f.ownId, 9);
    EXPECT_STREQ(f.ownAlias, "zed\r") << "a carriage return stays in the last field";
    Feed({"motd\n", "xmotd|no\n", "ver\n"});
    EXPECT_STREQ(f.serverMessage, "") << "no keyword without its separator";
}

TEST_F(Protocol, ServerNoticesOfTwoOrMoreCharactersAreShown)
{
    Feed({"server|x\nserver|ok\nserver||Maintenance at noon|ignored\nserver|\n"});
    EXPECT_EQ(peer.notices, (std::vector<std::string>{"ok", "Maintenance at noon"}));
    EXPECT_STREQ(f.outLine, "");
}

TEST_F(Protocol, ZeroByteDropsTheRestOfItsReceive)
{
    Feed({std::string("motd|a\0b\nver|5\n", 15)});
    EXPECT_STREQ(f.pendingText, "motd|a");
    EXPECT_EQ(+f.serverVersion, 0);
    Feed({"ver|6\n"});
    EXPECT_STREQ(f.serverMessage, "aver") << "the part line and the next receive make one line";
    EXPECT_TRUE(peer.sent.empty());
}

TEST_F(Protocol, ServerClosingEndsTheConnectionOnly)
{
    Welcome();
    f.errorNumber = 0;
    peer.receipts.push_back({"", true});
    online::ReceivePass(f, peer);
    EXPECT_EQ(+f.connected, 0u);
    EXPECT_EQ(+f.signedOn, 0u);
    EXPECT_EQ(peer.closes, 1);
    EXPECT_EQ(+f.errorNumber, 0);
    EXPECT_EQ(+f.lastReceiveResult, 0);
    online::ReceivePass(f, peer);  // not connected: no receive
    EXPECT_EQ(peer.receiveSizes.size(), 2u);
}

// An overlong line neither stops receiving nor leaks its tail as a line of
// its own: its head is taken cut, the rest skipped up to its line feed.
TEST_F(Protocol, OverlongLineIsCutAndItsRestSkipped)
{
    Welcome();
    // Receives of 300 bytes: the head is cut after two of them, so the third
    // starts at text position 591, where a notice is hidden.
    std::string text(1500, 'z');
    text.replace(591, 15, "server|injected");
    const std::string line = "m|4|8|bo|" + text + "\nmotd|after\n";
    for (size_t at = 0; at < line.size(); at += 300)
        Feed({line.substr(at, 300)});
    EXPECT_EQ(peer.events, std::vector<int32_t>{4});
    const size_t kept = std::strlen(f.messageText);
    EXPECT_GE(kept, 490u);
    EXPECT_LE(kept, 799u);
    EXPECT_EQ(std::string(f.messageText), text.substr(0, kept));
    EXPECT_TRUE(peer.notices.empty()) << "the tail of the long line is no notice";
    EXPECT_STREQ(f.serverMessage, "after");
    for (int size : peer.receiveSizes)
        EXPECT_EQ(size, 300);
    EXPECT_LT(std::strlen(f.pendingText), online::PendingLimit);
}

TEST_F(Protocol, PendingTextNeverBlocksReceiving)
{
    // Line feeds never come: every pass still receives, pending stays short.
    for (int i = 0; i < 20; ++i) {
        Feed({std::string(300, 'k')});
        ASSERT_LT(std::strlen(f.pendingText), online::PendingLimit);
    }
    EXPECT_EQ(peer.receiveSizes.size(), 20u);
    Feed({"\nver|2\n"});
    EXPECT_EQ(+f.serverVersion, 2);
}

TEST(ProtocolNumbers, ReadNumberTable)
{
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"12", 12},   {"-5", -5},           {"+7", 7},          {" \t 3x", 3},         {"x3", 0},
        {"", 0},      {"-", 0},             {"2147483647", 2147483647}, {"2147483648", 2147483647},
        {"-2147483648", -2147483647 - 1},   {"-99999999999999", -2147483647 - 1}, {"007", 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(online::ReadNumber(c.text), c.value) << c.text;
    EXPECT_EQ(online::ReadNumber(nullptr), 0);
}

TEST(SocketErrors, TableAndFallback)
{
    struct Case {
        int32_t number;
        const char* text;
    } cases[] = {
        {10061, "The attempt to connect was forcefully rejected."},
        {10065, "Could not reach host, please make sure that you are connected to the internet."},
        {10004, "The (blocking) call was canceled via WSACancelBlockingCall()"},
        {10058, "The socket has been shutdown; it is not possible to send() on a socket after shutdown() has been "
                "invoked with how set to 1 or 2."},
        {10009, "WSAEBADF"},       {10037, "WSAEALREADY"},    {10042, "WSAENOPROTOOPT"}, {10046, "WSAEPFNOSUPPORT"},
        {10057, "WSAENOTCONN"},    {10059, "WSAETOOMANYREFS"}, {10062, "WSAELOOP"},     {10063, "WSAENAMETOOLONG"},
        {10064, "WSAEHOSTDOWN"},   {11001, "WSAHOST_NOT_FOUND"}, {11002, "WSATRY_AGAIN"},
        {11003, "WSANO_RECOVERY"}, {11004, "WSANO_DATA"},
        {0, "Unkown or Undefined Error"},     {-1, "Unkown or Undefined Error"},
        {10066, "Unkown or Undefined Error"}, {10005, "Unkown or Undefined Error"},
        {11005, "Unkown or Undefined Error"}, {10090, "Unkown or Undefined Error"},
    };
    std::unique_ptr<OnlineFields> f(new OnlineFields{});
    for (const Case& c : cases) {
        std::memset(f->errorText, 'x', sizeof f->errorText);
        f->errorNumber = 99;
        online::DescribeSocketError(*f, c.number);
        EXPECT_STREQ(f->errorText, c.text) << c.number;
        EXPECT_EQ(+f->errorNumber, 99) << "the number is the caller's to clear";
    }
}

}  // namespace
