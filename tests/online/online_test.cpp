// online.dll through the host stand-in under wine64: its description, the
// information dialog, exact protocol bytes against a scripted loopback peer,
// socket errors, and two objects talking through the real chat server.
// Loopback only; every wait has a deadline; every process started is stopped.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host.h"
#include "hrtl32_script.h"
#include "online_fields.h"

using online::OnlineFields;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Codes of the object's entries.
enum Condition { Connected, TextToReceive, ErrorOccured, SignedOn, ClientWasSignedOn, ClientJustSignedOn, ClientLeft };
enum Action { Connect, Disconnect, SignOn, SignOff, SetAlias, SetChannel, SendText, ShowError };
enum Expression {
    GetAlias, GetId, GetChannel, RecText, UserId, UserAlias, ErrorMsg, ErrorNum, ServerMsg, ServerVer, MsgId,
    MsgAlias
};

const host::Library& Online()
{
    static host::Library library(host::DeliverablePath("online"));
    return library;
}

// Runs frames of the objects until `done` holds or the deadline passes.
bool Pump(std::vector<host::RunObject*> objects, const std::function<bool()>& done, milliseconds wait = milliseconds(5000))
{
    const auto deadline = Clock::now() + wait;
    for (;;) {
        for (host::RunObject* o : objects)
            o->frame();
        if (done())
            return true;
        if (Clock::now() >= deadline)
            return false;
        Sleep(2);
    }
}

// A scripted server: a listening loopback socket, then the one connection the
// object makes (the backlog holds it while Connect blocks).
class LoopbackPeer {
public:
    LoopbackPeer()
    {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = inet_addr("127.0.0.1");
        bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener_, 4);
        int length = sizeof a;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
    }
    ~LoopbackPeer()
    {
        Close();
        closesocket(listener_);
    }
    int port() const { return port_; }

    bool Accept(milliseconds wait = milliseconds(3000))
    {
        if (!Readable(listener_, wait))
            return false;
        connection_ = accept(listener_, nullptr, nullptr);
        return connection_ != INVALID_SOCKET;
    }
    void Send(const std::string& bytes)
    {
        ASSERT_EQ(send(connection_, bytes.data(), static_cast<int>(bytes.size()), 0), static_cast<int>(bytes.size()));
    }
    // Exactly `count` bytes, or what came before the deadline.
    std::string Receive(size_t count, milliseconds wait = milliseconds(3000))
    {
        std::string got;
        const auto deadline = Clock::now() + wait;
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || !Readable(connection_, left))
                break;
            char buffer[4096];
            const int want = static_cast<int>(std::min(count - got.size(), sizeof buffer));
            const int n = recv(connection_, buffer, want, 0);
            if (n <= 0)
                break;
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }
    // True when the object closed its side: the peer reads the end of the stream.
    bool SeesClose(milliseconds wait = milliseconds(3000))
    {
        char c;
        return Readable(connection_, wait) && recv(connection_, &c, 1, 0) == 0;
    }
    // True when nothing more arrives within a short wait.
    bool Quiet() { return !Readable(connection_, milliseconds(150)); }
    void Close()
    {
        if (connection_ != INVALID_SOCKET)
            closesocket(connection_);
        connection_ = INVALID_SOCKET;
    }

private:
    static bool Readable(SOCKET s, milliseconds wait)
    {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval t{static_cast<long>(wait.count() / 1000), static_cast<long>((wait.count() % 1000) * 1000)};
        return select(0, &set, nullptr, nullptr, &t) == 1;
    }
    SOCKET listener_ = INVALID_SOCKET;
    SOCKET connection_ = INVALID_SOCKET;
    int port_ = 0;
};

// One object connected to a scripted peer.
class Scripted : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Online().loaded());
        object = std::make_unique<host::RunObject>(Online());
        object->action(Connect, "127.0.0.1", peer.port());
        ASSERT_TRUE(peer.Accept());
        ASSERT_EQ(object->condition(Connected), 1);
        host::TakeMessageBoxes();
    }
    OnlineFields& f() { return object->fields<OnlineFields>(); }
    // Sends lines to the object and runs frames until `done`.
    bool Deliver(const std::string& bytes, const std::function<bool()>& done)
    {
        peer.Send(bytes);
        return Pump({object.get()}, done);
    }
    void SignOnAsAnn()
    {
        object->action(SignOn, "ann", "lobby");
        ASSERT_EQ(peer.Receive(17), "signon|ann|lobby\n");
        ASSERT_TRUE(Deliver("welcome|7|ann\n", [&] { return object->condition(SignedOn) == 1; }));
    }

    LoopbackPeer peer;
    std::unique_ptr<host::RunObject> object;
};

TEST(OnlineDescription, RunInfosSizesAndIdentity)
{
    const host::Library& lib = Online();
    ASSERT_TRUE(lib.loaded());
    EXPECT_EQ(lib.GetRunObjectDataSize(0, 0), 5624);
    const RunInfos infos = lib.runInfos(0xCC);
    EXPECT_EQ(+infos.conditionCount, 7);
    EXPECT_EQ(+infos.actionCount, 8);
    EXPECT_EQ(+infos.expressionCount, 12);
    EXPECT_EQ(+infos.editStructureSize, 12);
    EXPECT_EQ(+infos.optionWord, 0);
    EXPECT_EQ(+infos.optionByte, 100);
    EXPECT_EQ(+infos.unwritten, 0xCC);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(infos.ObjectId), 4), "0MAS");
    EXPECT_EQ(infos.expressionRoutines[12], nullptr);
    EXPECT_EQ(lib.GetInfos(0), 0x200);
    EXPECT_EQ(lib.GetInfos(2), 0x100);
    EXPECT_EQ(lib.GetInfos(1), 0);
    for (const char* absent : {"InitObject", "ReinitObject", "InitParameter", "EditParameter", "GetParameterString"})
        EXPECT_EQ(lib.proc(absent), nullptr) << absent;

    // Condition 1 is raised by the object; the others are polled.
    EXPECT_EQ(+lib.GetConditionInfos(0, 1)->flags, 0);
    EXPECT_EQ(+lib.GetConditionInfos(0, 1)->paramType1, ParamNumber);
    EXPECT_EQ(+lib.GetConditionInfos(0, 6)->flags, PolledConditionFlags);
    EXPECT_EQ(+lib.GetActionInfos(0, 0)->paramType2, ParamNumber);
    EXPECT_EQ(+lib.GetExpressionInfos(0, 3)->paramType1, ExpParamInteger);

    char text[128];
    lib.GetDesc(0, text, 0, "Chat", 0, 0);
    EXPECT_STREQ(text, " Chat : vantrel");
    lib.GetConditionString(0, 1, text, sizeof text);
    EXPECT_STREQ(text, "11%s Has text to load from subchannel %s");
    lib.GetActionString(0, 6, text, sizeof text);
    EXPECT_STREQ(text, "01Send %s through subchannel %s");
    lib.GetExpressionString(0, 11, text, sizeof text);
    EXPECT_STREQ(text, "MsgAlias$(");
    lib.GetExpressionTitle(0, 10, text, sizeof text);
    EXPECT_STREQ(text, "Get user id");
}

TEST(OnlineDescription, MenusKeepTheirOrderAndSubmenus)
{
    const host::Library& lib = Online();
    HMENU conditions = static_cast<HMENU>(lib.GetConditionMenu(0, 0, 0));
    ASSERT_NE(conditions, nullptr);
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(conditions); ++i)
        ids.push_back(GetMenuItemID(conditions, i));
    EXPECT_EQ(ids, (std::vector<UINT>{26000, 26002, 26001, 26003, 26004, 26005, 26006}));
    DestroyMenu(conditions);

    HMENU expressions = static_cast<HMENU>(lib.GetExpressionMenu(0, 0, 0));
    ASSERT_NE(expressions, nullptr);
    ASSERT_EQ(GetMenuItemCount(expressions), 7);
    std::string layout;
    char name[80];
    for (int i = 0; i < 7; ++i) {
        GetMenuStringA(expressions, i, name, sizeof name, MF_BYPOSITION);
        layout += name;
        HMENU sub = GetSubMenu(expressions, i);
        if (sub == nullptr) {
            layout += "=" + std::to_string(GetMenuItemID(expressions, i)) + ";";
            continue;
        }
        layout += "{";
        for (int j = 0; j < GetMenuItemCount(sub); ++j)
            layout += std::to_string(GetMenuItemID(sub, j)) + " ";
        layout += "}";
    }
    EXPECT_EQ(layout, "Get alias=27000;Get id=27001;Get channel=27002;New message{27003 27010 27011 }"
                      "New/Old Client{27004 27005 }Last error{27006 27007 }Server status{27008 27009 }");
    DestroyMenu(expressions);
}

TEST(OnlineEditor, RectangleSizeAndPopup)
{
    const host::Library& lib = Online();
    std::vector<uint8_t> edit(12, 0);
    const int16_t width = 100, height = -5;
    std::memcpy(&edit[8], &width, 2);
    std::memcpy(&edit[10], &height, 2);
    int32_t rect[4] = {10, 20, 0, 0};
    lib.GetObjectRect(0, rect, 0, reinterpret_cast<EditStructure*>(edit.data()));
    EXPECT_EQ(rect[2], 110);
    EXPECT_EQ(rect[3], 15);
    const int16_t size[4] = {0, 0, 64, 48};
    EXPECT_EQ(lib.ModifyObject(0, reinterpret_cast<EditStructure*>(edit.data()), 0, 0, 0, size), 0);
    lib.GetObjectRect(0, rect, 0, reinterpret_cast<EditStructure*>(edit.data()));
    EXPECT_EQ(rect[2], 74);
    EXPECT_EQ(rect[3], 68);

    HMENU popup = CreatePopupMenu();
    for (UINT id : {2003u, 2004u, 2020u, 2006u, 2010u})
        AppendMenuA(popup, MF_STRING, id, "item");
    lib.AppendPopup(0, popup, 0, 0, 0);
    std::vector<UINT> left;
    for (int i = 0; i < GetMenuItemCount(popup); ++i)
        left.push_back(GetMenuItemID(popup, i));
    EXPECT_EQ(left, (std::vector<UINT>{2003, 2020, 2010})) << "position 1 and command 2006 go; 2004 stays";
    DestroyMenu(popup);
}

// The information dialog, scripted through the HRTL32 stand-in.
TEST(OnlineEditor, InfoDialogEndsWithItsValues)
{
    const host::Library& lib = Online();
    struct Case {
        std::vector<HrtlStep> steps;
        int32_t createResult;
        size_t helpCalls;
    } cases[] = {
        {{{HrtlPress, 1, 0, nullptr}}, 0, 0},
        {{{HrtlPress, 2, 0, nullptr}}, -1, 0},
        {{{HrtlPress, 20100, 0, nullptr}, {HrtlPress, 20100, 0, nullptr}, {HrtlPress, 1, 0, nullptr}}, 0, 2},
    };
    for (const Case& c : cases) {
        host::Editor editor;
        std::vector<uint8_t> edit = editor.newEditStructure(lib);
        ASSERT_EQ(edit.size(), 12u);
        HrtlReset();
        HrtlSetDialogScript(c.steps.data(), static_cast<int32_t>(c.steps.size()));
        EXPECT_EQ(editor.createObject(lib, edit), c.createResult);
        int16_t width, height;
        std::memcpy(&width, &edit[8], 2);
        std::memcpy(&height, &edit[10], 2);
        EXPECT_EQ(width, 32);
        EXPECT_EQ(height, 32);
        HrtlDialogCall call{};
        HrtlLastDialog(&call);
        EXPECT_EQ(call.templateId, 20003);
        EXPECT_STREQ(call.caption, "Info on Vantrel");
        ASSERT_EQ(editor.helpCalls.size(), c.helpCalls);
        for (const auto& h : editor.helpCalls) {
            EXPECT_NE(h.path.find("online.dll"), std::string::npos) << h.path;
            EXPECT_EQ(h.a, 1);
            EXPECT_EQ(h.b, 1);
        }
    }

    host::Editor editor;
    std::vector<uint8_t> edit = editor.newEditStructure(lib);
    const HrtlStep ok[] = {{HrtlPress, 1, 0, nullptr}};
    const HrtlStep cancel[] = {{HrtlPress, 2, 0, nullptr}};
    HrtlSetDialogScript(ok, 1);
    EXPECT_EQ(editor.selectPopup(lib, 2020, edit), 4);
    HrtlSetDialogScript(cancel, 1);
    EXPECT_EQ(editor.selectPopup(lib, 2020, edit), 0);
    const int32_t dialogs = HrtlDialogCount();
    EXPECT_EQ(editor.selectPopup(lib, 2003, edit), 0);
    EXPECT_EQ(HrtlDialogCount(), dialogs) << "no dialog for another command";
    HrtlReset();
}

TEST_F(Scripted, EveryCommandSendsItsExactBytes)
{
    object->action(SignOn, std::string(60, 'a'), std::string(55, 'c'));
    EXPECT_EQ(peer.Receive(107), "signon|" + std::string(49, 'a') + "|" + std::string(49, 'c') + "\n");
    EXPECT_EQ(object->expression(GetChannel).text, std::string(49, 'c'));
    ASSERT_TRUE(Deliver("welcome|7|ann\n", [&] { return object->condition(SignedOn) == 1; }));
    EXPECT_EQ(object->expression(GetId).value, 7);
    EXPECT_EQ(object->expression(GetAlias).text, "ann");

    object->action(SetAlias, std::string(60, 'b'));
    EXPECT_EQ(peer.Receive(60), "setalias|" + std::string(49, 'b') + "|\n");
    EXPECT_EQ(object->expression(GetAlias).text, std::string(49, 'b'));
    object->action(SetChannel, "den");
    EXPECT_EQ(peer.Receive(15), "setchannel|den\n");
    EXPECT_EQ(object->action(SendText, "hello", -5), 0);
    EXPECT_EQ(peer.Receive(11), "m|-5|hello\n");
    const std::string longText(1500, 't');
    EXPECT_EQ(object->action(SendText, longText, 12), 0);
    EXPECT_EQ(peer.Receive(1023), "m|12|" + std::string(1017, 't') + "\n");
    ASSERT_TRUE(Deliver("ver|3\n", [&] { return object->expression(ServerVer).value == 3; }));
    EXPECT_EQ(peer.Receive(6), "ver|1\n");
    object->action(SignOff);
    EXPECT_EQ(peer.Receive(8), "signoff\n");
    EXPECT_TRUE(peer.Quiet());
    EXPECT_EQ(object->condition(SignedOn), 1) << "signed off only by the server's notice";
    object->action(Connect, "127.0.0.1", peer.port());  // connected: nothing
    EXPECT_EQ(+f().errorNumber, 0);
}

TEST_F(Scripted, DisconnectAndDestructionSignOffs)
{
    SignOnAsAnn();
    object->action(Disconnect);
    EXPECT_EQ(peer.Receive(9), "signoff\n") << "eight bytes, then the end of the stream";
    EXPECT_EQ(object->condition(Connected), 0);
    EXPECT_EQ(object->condition(SignedOn), 0);
    object->action(Disconnect);  // idle: nothing

    // Again, now ended by the object's destruction: seven bytes, no line feed.
    LoopbackPeer second;
    object->action(Connect, "127.0.0.1", second.port());
    ASSERT_TRUE(second.Accept());
    object->action(SignOn, "ann", "lobby");
    EXPECT_EQ(second.Receive(17), "signon|ann|lobby\n");
    second.Send("welcome|7|ann\n");
    ASSERT_TRUE(Pump({object.get()}, [&] { return object->condition(SignedOn) == 1; }));
    object->destroy();
    EXPECT_EQ(second.Receive(8), "signoff");
    EXPECT_TRUE(second.SeesClose());

    // Connected but not signed on: the close alone.
    object = std::make_unique<host::RunObject>(Online());
    LoopbackPeer third;
    object->action(Connect, "127.0.0.1", third.port() + 65536);  // the port is taken modulo 65536
    ASSERT_TRUE(third.Accept());
    object->action(Disconnect);
    EXPECT_TRUE(third.SeesClose());
    EXPECT_EQ(+f().errorNumber, 0);
}

TEST_F(Scripted, LinesAcrossReceivesAndEventsPerSubchannel)
{
    // Before the welcome only the always-taken notices count.
    ASSERT_TRUE(Deliver("m|1|2|cy|early\nsigned|3|di\nmotd|hi all\n",
                        [&] { return object->expression(ServerMsg).text == "hi all"; }));
    EXPECT_TRUE(object->events.empty());
    EXPECT_EQ(object->condition(ClientWasSignedOn), 0);
    SignOnAsAnn();

    // Two messages in one receive, one split, with empty and one-character lines between.
    peer.Send("m|3|8|bo|one\n\nx\n||\nm|2|9|cy|tw");
    ASSERT_TRUE(Pump({object.get()}, [&] { return object->events.size() == 1; }));
    EXPECT_EQ(object->condition(TextToReceive, 3), 1);
    EXPECT_EQ(object->condition(TextToReceive, 2), 0) << "its line feed has not come yet";
    peer.Send("o\n");
    ASSERT_TRUE(Pump({object.get()}, [&] { return object->events.size() == 2; }));
    EXPECT_EQ(object->events[0].value, 3);
    EXPECT_EQ(object->events[1].value, 2);
    EXPECT_EQ(object->condition(TextToReceive, 3), 0) << "the second message replaced the first";
    EXPECT_FALSE(object->expression(RecText, 3).isText) << "another subchannel leaves it waiting";
    const host::ExpressionResult text = object->expression(RecText, 2);
    EXPECT_TRUE(text.isText);
    EXPECT_EQ(text.text, "two");
    const host::ExpressionResult again = object->expression(RecText, 2);
    EXPECT_FALSE(again.isText);
    EXPECT_EQ(again.value, 0);
    EXPECT_EQ(object->expression(MsgId).value, 9);
    EXPECT_EQ(object->expression(MsgAlias).text, "cy");
    EXPECT_EQ(object->textBufferSizes.back(), 51);
}

TEST_F(Scripted, RulesRunInsideTheEventCanAnswer)
{
    SignOnAsAnn();
    // The application's rule: read the text and send it back on its subchannel.
    object->onEvent(TextToReceive, [](host::RunObject& o, intptr_t sub) {
        const host::ExpressionResult r = o.expression(RecText, static_cast<int32_t>(sub));
        o.action(SendText, "re:" + r.text, sub);
    });
    ASSERT_TRUE(Deliver("m|4|8|bo|ping\nm|5|8|bo|pong\nver|2\n",
                        [&] { return object->expression(ServerVer).value == 2; }));
    EXPECT_EQ(peer.Receive(30), "m|4|re:ping\nm|5|re:pong\nver|1\n");
    EXPECT_EQ(object->textBufferSizes, (std::vector<intptr_t>{1024, 1024}));
}

TEST_F(Scripted, ClientNoticesSetFlagsUntilRead)
{
    SignOnAsAnn();
    ASSERT_TRUE(Deliver("signon|7|ann\nsigned|9|cy\nsignon|8|bo\n",
                        [&] { return object->condition(ClientJustSignedOn) == 1; }));
    EXPECT_EQ(object->condition(ClientWasSignedOn), 1);
    EXPECT_EQ(object->expression(UserAlias).text, "bo");
    EXPECT_EQ(object->condition(ClientJustSignedOn), 0);
    EXPECT_EQ(object->condition(ClientWasSignedOn), 0);
    ASSERT_TRUE(Deliver("signoff|8|bo\n", [&] { return object->condition(ClientLeft) == 1; }));
    EXPECT_EQ(object->expression(UserId).value, 8);
    EXPECT_EQ(object->condition(ClientLeft), 0);
    ASSERT_TRUE(Deliver("signoff|7|ann\n", [&] { return object->condition(SignedOn) == 0; }));
    EXPECT_EQ(object->condition(Connected), 1);
}

TEST_F(Scripted, ServerNoticesShowABoxFromTwoCharacters)
{
    ASSERT_TRUE(Deliver("server|x\nserver|Back in five minutes\nver|4\n",
                        [&] { return object->expression(ServerVer).value == 4; }));
    const std::vector<host::MessageBoxRecord> boxes = host::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Server");
    EXPECT_EQ(boxes[0].text, "Back in five minutes");
    EXPECT_TRUE(boxes[0].hasIcon);
}

TEST_F(Scripted, OversizedLinesAndFieldsAreCut)
{
    SignOnAsAnn();
    std::string longText(2000, 'w');
    // Where the rest of the line starts after a cut at 600 or 900 characters.
    longText.replace(523, 12, "server|fake!");
    longText.replace(823, 12, "server|fake!");
    peer.Send("m|1|8|" + std::string(70, 'n') + "|" + longText + "\nmotd|" + std::string(300, 'o') + "\nver|9\n");
    ASSERT_TRUE(Pump({object.get()}, [&] { return object->expression(ServerVer).value == 9; }));
    ASSERT_EQ(object->events.size(), 1u);
    EXPECT_EQ(object->expression(MsgAlias).text, std::string(49, 'n'));
    const std::string kept = object->expression(RecText, 1).text;
    EXPECT_GE(kept.size(), 400u);
    EXPECT_EQ(kept, longText.substr(0, kept.size()));
    EXPECT_EQ(object->expression(ServerMsg).text, std::string(255, 'o'));
    EXPECT_TRUE(host::TakeMessageBoxes().empty()) << "the rest of the long line is skipped";
}

TEST_F(Scripted, ServerClosingTheConnection)
{
    SignOnAsAnn();
    peer.Send("motd|bye\n");
    peer.Close();
    ASSERT_TRUE(Pump({object.get()}, [&] { return object->condition(Connected) == 0; }));
    EXPECT_EQ(object->condition(SignedOn), 0);
    EXPECT_EQ(object->condition(ErrorOccured), 0);
    EXPECT_FALSE(object->expression(ServerMsg).isText) << "no server message while not connected";
    EXPECT_EQ(object->expression(ServerVer).value, 0);

    LoopbackPeer again;  // a new connection without a new start-up
    object->action(Connect, "127.0.0.1", again.port());
    ASSERT_TRUE(again.Accept());
    EXPECT_EQ(object->condition(Connected), 1);
    EXPECT_EQ(object->expression(ServerMsg).text, "bye") << "kept across connections";
}

TEST(OnlineErrors, RefusedConnectAndTheErrorRoutines)
{
    int port;
    {
        LoopbackPeer closed;  // a port nobody listens on any more
        port = closed.port();
    }
    host::RunObject object(Online());
    host::TakeMessageBoxes();
    object.action(ShowError);
    EXPECT_TRUE(host::TakeMessageBoxes().empty()) << "no error, no box";
    EXPECT_FALSE(object.expression(ErrorMsg).isText);

    object.action(Connect, "127.0.0.1", port);
    EXPECT_EQ(object.condition(Connected), 0);
    EXPECT_EQ(object.condition(ErrorOccured), 1);
    EXPECT_EQ(+object.fields<OnlineFields>().socketHandle, online::NoSocket) << "the failed socket is released";
    EXPECT_EQ(object.expression(ErrorNum).value, 10061);
    EXPECT_EQ(object.condition(ErrorOccured), 0);
    EXPECT_EQ(object.expression(ErrorNum).value, 0);

    object.action(Connect, "127.0.0.1", port);
    const host::ExpressionResult message = object.expression(ErrorMsg);
    EXPECT_TRUE(message.isText);
    EXPECT_EQ(message.text, "The attempt to connect was forcefully rejected.");
    EXPECT_EQ(object.textBufferSizes.back(), 257);
    EXPECT_EQ(object.condition(ErrorOccured), 0);

    object.action(Connect, "127.0.0.1", port);
    object.action(ShowError);
    const auto boxes = host::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Display Error");
    EXPECT_EQ(boxes[0].text, "The attempt to connect was forcefully rejected.");
    EXPECT_FALSE(boxes[0].hasIcon);
    EXPECT_EQ(object.condition(ErrorOccured), 0);

    object.action(Connect, "", port);  // address 0: the attempt fails with some error
    EXPECT_EQ(object.condition(Connected), 0);
    EXPECT_EQ(object.condition(ErrorOccured), 1);
}

TEST(OnlineErrors, ErrorTextsThroughErrorMsg)
{
    host::RunObject object(Online());
    const struct {
        int32_t number;
        const char* text;
    } cases[] = {
        {10065, "Could not reach host, please make sure that you are connected to the internet."},
        {10009, "WSAEBADF"},
        {11004, "WSANO_DATA"},
        {-3, "Unkown or Undefined Error"},
        {10066, "Unkown or Undefined Error"},
    };
    for (const auto& c : cases) {
        object.fields<OnlineFields>().errorNumber = c.number;
        EXPECT_EQ(object.expression(ErrorMsg).text, c.text) << c.number;
        EXPECT_EQ(+object.fields<OnlineFields>().errorNumber, 0);
    }
}

TEST(OnlineErrors, FreshObjectReadsEmpty)
{
    host::RunObject object(Online());
    EXPECT_EQ(object.expression(GetId).value, 0);
    const host::ExpressionResult alias = object.expression(GetAlias);
    EXPECT_TRUE(alias.isText);
    EXPECT_EQ(alias.text, "");
    EXPECT_FALSE(object.expression(RecText, 0).isText);
    EXPECT_EQ(object.parameterTokens.size(), 1u) << "RecText$ fetches its parameter on every call";
    EXPECT_EQ(object.condition(ErrorOccured), 0);
    EXPECT_EQ(object.frame(), 0);
}

// The chat server as a child process, stopped when the test ends.
class ChatServerProcess {
public:
    explicit ChatServerProcess(const std::string& arguments)
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&read_, &writeEnd, &inherit, 0))
            return;
        SetHandleInformation(read_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA start{};
        start.cb = sizeof start;
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdOutput = writeEnd;
        start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        start.hStdInput = nullptr;
        std::string command = "\"" + host::ProgramDirectory() + "\\chatserver.exe\" " + arguments + " 0";
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process_))
            started_ = true;
        CloseHandle(writeEnd);
        // The first line of its output is the port; read it within a deadline.
        std::string line;
        const auto deadline = Clock::now() + milliseconds(10000);
        while (started_ && line.find('\n') == std::string::npos && Clock::now() < deadline) {
            DWORD available = 0;
            if (!PeekNamedPipe(read_, nullptr, 0, nullptr, &available, nullptr))
                break;
            if (available == 0) {
                Sleep(10);
                continue;
            }
            char c;
            DWORD n = 0;
            if (!ReadFile(read_, &c, 1, &n, nullptr) || n == 0)
                break;
            line += c;
        }
        port_ = std::atoi(line.c_str());
    }
    ~ChatServerProcess()
    {
        if (started_) {
            TerminateProcess(process_.hProcess, 0);
            WaitForSingleObject(process_.hProcess, 5000);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        if (read_ != nullptr)
            CloseHandle(read_);
    }
    int port() const { return port_; }

private:
    HANDLE read_ = nullptr;
    PROCESS_INFORMATION process_{};
    bool started_ = false;
    int port_ = 0;
};

TEST(OnlineChat, TwoObjectsThroughTheChatServer)
{
    ChatServerProcess server("--motd \"Have fun\" --version 3");
    ASSERT_GT(server.port(), 0);
    host::RunObject ann(Online()), bob(Online());
    const std::vector<host::RunObject*> both{&ann, &bob};

    ann.action(Connect, "localhost", server.port());
    ASSERT_EQ(ann.condition(Connected), 1) << +ann.fields<OnlineFields>().errorNumber;
    ann.action(SignOn, "ann", "lobby");
    ASSERT_TRUE(Pump(both, [&] { return ann.condition(SignedOn) == 1; }));
    bob.action(Connect, "127.0.0.1", server.port());
    bob.action(SignOn, "bob", "lobby");
    ASSERT_TRUE(Pump(both, [&] {
        return bob.condition(ClientWasSignedOn) == 1 && ann.condition(ClientJustSignedOn) == 1;
    }));
    const intptr_t annId = ann.expression(GetId).value, bobId = bob.expression(GetId).value;
    EXPECT_NE(annId, bobId);
    EXPECT_EQ(bob.expression(UserAlias).text, "ann");
    EXPECT_EQ(ann.expression(UserId).value, bobId);
    EXPECT_EQ(ann.expression(ServerMsg).text, "Have fun");
    EXPECT_EQ(ann.expression(ServerVer).value, 3);

    // Text on subchannels 1 and 2; each event names its subchannel.
    std::vector<std::string> bobHeard;
    bob.onEvent(TextToReceive, [&](host::RunObject& o, intptr_t sub) {
        if (sub == 2)
            bobHeard.push_back(o.expression(RecText, 2).text);
    });
    EXPECT_EQ(ann.action(SendText, "on one", 1), 0);
    ASSERT_TRUE(Pump(both, [&] { return bob.condition(TextToReceive, 1) == 1; }));
    EXPECT_EQ(bob.condition(TextToReceive, 2), 0);
    EXPECT_EQ(bob.expression(MsgId).value, annId);
    EXPECT_EQ(bob.expression(MsgAlias).text, "ann");
    EXPECT_EQ(bob.expression(RecText, 1).text, "on one");
    EXPECT_FALSE(bob.expression(RecText, 1).isText) << "returned once";
    ann.action(SendText, "on two", 2);
    ASSERT_TRUE(Pump(both, [&] { return !bobHeard.empty(); }));
    EXPECT_EQ(bobHeard, std::vector<std::string>{"on two"});
    EXPECT_EQ(bob.events.back().value, 2);
    bob.action(SendText, "back", -7);
    ASSERT_TRUE(Pump(both, [&] { return ann.condition(TextToReceive, -7) == 1; }));
    EXPECT_EQ(ann.expression(RecText, -7).text, "back");
    EXPECT_TRUE(ann.events.size() == 1 && bob.events.size() == 2) << "no echo to the sender";

    // Bob leaves: signed off by the server's confirmation, Ann sees him go.
    bob.action(SignOff);
    ASSERT_TRUE(Pump(both, [&] { return bob.condition(SignedOn) == 0 && ann.condition(ClientLeft) == 1; }));
    EXPECT_EQ(ann.expression(UserId).value, bobId);
    bob.action(SignOn, "bob", "lobby");
    ASSERT_TRUE(Pump(both, [&] { return ann.condition(ClientJustSignedOn) == 1; }));
    bob.destroy();  // the seven-byte sign-off and the close
    ASSERT_TRUE(Pump({&ann}, [&] { return ann.condition(ClientLeft) == 1; }));
    ann.action(Disconnect);
    EXPECT_EQ(ann.condition(Connected), 0);
    EXPECT_EQ(ann.condition(ErrorOccured), 0);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const int result = RUN_ALL_TESTS();
    WSACleanup();
    return result;
}
