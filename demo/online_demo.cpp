// online_demo PORT: two online objects in one player, ann and bob, hold a
// short conversation through a chat server on 127.0.0.1:PORT, and each
// prints what it sees. Every wait is bounded; the exit code is 0 when the
// conversation went through.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "host.h"

namespace {

enum Condition { Connected, TextToReceive, ErrorOccured, SignedOn, ClientWasSignedOn, ClientJustSignedOn, ClientLeft };
enum Action { Connect, Disconnect, SignOn, SignOff, SetAlias, SetChannel, SendText, ShowError };
enum Expression {
    GetAlias, GetId, GetChannel, RecText, UserId, UserAlias, ErrorMsg, ErrorNum, ServerMsg, ServerVer, MsgId,
    MsgAlias
};

struct Person {
    const char* name;
    host::RunObject* object;
};

// Everything said so far, to wait on.
std::vector<std::string> transcript;

void Say(const Person& p, const std::string& text)
{
    const std::string line = std::string("[") + p.name + "] " + text;
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    transcript.push_back(line);
}

// True once a line of the transcript starts with `prefix`.
bool Heard(const std::string& prefix)
{
    for (const std::string& line : transcript)
        if (line.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

// Frames of both objects, 10 ms apart, until `done` or 5 seconds.
bool Play(const std::vector<Person>& people, const std::function<bool()>& done)
{
    for (int i = 0; i < 500; ++i) {
        for (const Person& p : people) {
            host::RunObject& o = *p.object;
            o.frame();
            // Polled conditions, as the application's rules would test them.
            if (o.condition(ClientJustSignedOn))
                Say(p, o.expression(UserAlias).text + " (id " + std::to_string(o.expression(UserId).value) +
                           ") just signed on");
            if (o.condition(ClientWasSignedOn))
                Say(p, o.expression(UserAlias).text + " (id " + std::to_string(o.expression(UserId).value) +
                           ") was already here");
            if (o.condition(ClientLeft))
                Say(p, o.expression(UserAlias).text + " left");
            if (o.condition(ErrorOccured))
                Say(p, "error: " + o.expression(ErrorMsg).text);
        }
        if (done())
            return true;
        Sleep(10);
    }
    std::printf("(timed out)\n");
    return false;
}

// The rule for "Text to recieve": print the message of every subchannel.
void Listen(const Person& p)
{
    p.object->onEvent(TextToReceive, [p](host::RunObject& o, intptr_t sub) {
        const std::string text = o.expression(RecText, static_cast<int32_t>(sub)).text;
        Say(p, "on subchannel " + std::to_string(sub) + ", " + o.expression(MsgAlias).text + " says: " + text);
    });
}

bool Join(const Person& p, int port, const std::vector<Person>& everyone)
{
    host::RunObject& o = *p.object;
    o.action(Connect, "127.0.0.1", port);
    if (!o.condition(Connected)) {
        Say(p, "cannot connect: " + o.expression(ErrorMsg).text);
        return false;
    }
    o.action(SignOn, p.name, "lobby");
    if (!Play(everyone, [&] { return o.condition(SignedOn) == 1; }))
        return false;
    Say(p, "signed on as " + o.expression(GetAlias).text + " (id " + std::to_string(o.expression(GetId).value) +
               ") on channel " + o.expression(GetChannel).text);
    Say(p, "server says: " + o.expression(ServerMsg).text + " (version " +
               std::to_string(o.expression(ServerVer).value) + ")");
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: online_demo PORT\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    host::Library library(host::DeliverablePath("online"));
    if (!library.loaded()) {
        std::fprintf(stderr, "online.dll not found beside the demo\n");
        return 1;
    }
    host::RunObject annObject(library), bobObject(library);
    const Person ann{"ann", &annObject}, bob{"bob", &bobObject};
    const std::vector<Person> everyone{ann, bob};
    Listen(ann);
    Listen(bob);

    bool ok = Join(ann, port, everyone) && Join(bob, port, everyone);
    ok = ok && Play(everyone, [&] { return Heard("[ann] bob") && Heard("[bob] ann"); });
    if (ok) {
        Say(ann, "sends \"Hello bob\" on subchannel 1");
        annObject.action(SendText, "Hello bob", 1);
        ok = Play(everyone, [&] { return Heard("[bob] on subchannel 1"); });
    }
    if (ok) {
        Say(bob, "sends \"Hi ann, all fine?\" on subchannel 2");
        bobObject.action(SendText, "Hi ann, all fine?", 2);
        ok = Play(everyone, [&] { return Heard("[ann] on subchannel 2"); });
    }
    if (ok) {
        Say(bob, "signs off");
        bobObject.action(SignOff);
        ok = Play(everyone, [&] { return bobObject.condition(SignedOn) == 0 && Heard("[ann] bob left"); });
    }
    bobObject.action(Disconnect);
    annObject.action(Disconnect);
    Say(ann, std::string("disconnected; connected now ") + (annObject.condition(Connected) ? "yes" : "no"));
    std::printf(ok ? "conversation done\n" : "conversation failed\n");
    return ok ? 0 : 1;
}
