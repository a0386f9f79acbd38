// libFuzzer target over the online object's receive pass. The input is a
// script: its first byte chooses the starting state, then each chunk is one
// receive (a length byte, then that many bytes; length 255 stands for the
// server closing the connection and 254 for a receive that finds nothing).
// Between passes a Send text with fuzzed text and subchannel is made now and
// then, since notices and commands share outLine.
//
// After every step the record's invariants are checked: every text field is
// terminated inside its width, flags hold 0 or 1, signedOn only while
// connected, the pending text stays short enough for receiving to go on, and
// every line sent fits outLine and ends with its line feed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "protocol.h"

using online::OnlineFields;

namespace {

#define CHECK(condition)              \
    do {                              \
        if (!(condition))             \
            std::abort();             \
    } while (0)

class FuzzPeer final : public online::Peer {
public:
    FuzzPeer(OnlineFields& f, const uint8_t* data, size_t size) : f_(f), data_(data), size_(size) {}

    bool more() const { return at_ < size_; }

    int Receive(char* buffer, int size) override
    {
        CHECK(size == online::ReceiveLimit);
        if (!more())
            return -1;
        const uint8_t length = data_[at_++];
        if (length == 255)
            return 0;
        if (length == 254)
            return -1;
        size_t n = length > size_ - at_ ? size_ - at_ : length;
        if (n > static_cast<size_t>(size))
            n = static_cast<size_t>(size);
        std::memcpy(buffer, data_ + at_, n);
        at_ += n;
        return static_cast<int>(n);
    }
    void CloseAfterServerClose() override { CHECK(f_.connected == 0 && f_.signedOn == 0); }
    int Send(const char* bytes, size_t length) override
    {
        CHECK(bytes == f_.outLine);
        CHECK(length >= 1 && length <= online::OutLineWidth - 1);
        CHECK(bytes[length - 1] == '\n');
        CHECK(bytes[length] == '\0');
        return static_cast<int>(length);
    }
    void RecordLastError() override {}
    void RaiseTextEvent(int32_t subchannel) override
    {
        CHECK(f_.messageWaiting == 1 && subchannel == f_.messageSubchannel);
        // A rule reacting to the event: it reads the text away and answers,
        // which uses outLine in the middle of the walk.
        f_.messageWaiting = 0;
        online::SendText(f_, *this, f_.messageText, subchannel);
    }
    void ShowServerNotice(const char* text) override { CHECK(text == f_.outLine && std::strlen(text) >= 2); }

    // A fuzzed Send text: a length byte, then the text; the subchannel is the
    // length byte's bits.
    void SendSomeText()
    {
        if (!more())
            return;
        const uint8_t length = data_[at_++];
        char text[2048];
        const size_t n = (length * 9u > size_ - at_) ? size_ - at_ : length * 9u;
        std::memcpy(text, data_ + at_, n);
        text[n] = '\0';
        at_ += n;
        online::SendText(f_, *this, text, static_cast<int32_t>(static_cast<uint32_t>(length) * 16777619u));
    }

private:
    OnlineFields& f_;
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

bool Terminated(const char* field, size_t width) { return std::memchr(field, '\0', width) != nullptr; }

void CheckInvariants(const OnlineFields& f)
{
    CHECK(Terminated(f.ownAlias, sizeof f.ownAlias));
    CHECK(Terminated(f.senderAlias, sizeof f.senderAlias));
    CHECK(Terminated(f.channel, sizeof f.channel));
    CHECK(Terminated(f.clientAlias, sizeof f.clientAlias));
    CHECK(Terminated(f.outLine, sizeof f.outLine));
    CHECK(Terminated(f.receiveBuffer, sizeof f.receiveBuffer));
    CHECK(Terminated(f.joinBuffer, sizeof f.joinBuffer));
    CHECK(Terminated(f.pendingText, sizeof f.pendingText));
    CHECK(Terminated(f.messageText, sizeof f.messageText));
    CHECK(Terminated(f.serverMessage, sizeof f.serverMessage));
    CHECK(Terminated(f.charText, sizeof f.charText));
    CHECK(std::strlen(f.pendingText) < online::PendingLimit);
    CHECK(std::strchr(f.pendingText, '\n') == nullptr);
    CHECK(f.joinLength < online::LineWidth - 1);
    for (uint32_t flag : {f.connected, f.signedOn, f.messageWaiting, f.clientJustSignedOn, f.clientWasSignedOn,
                          f.clientLeft})
        CHECK(flag <= 1);
    CHECK(f.signedOn == 0 || f.connected == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::unique_ptr<OnlineFields> fields(new OnlineFields{});
    OnlineFields& f = *fields;
    f.connected = 1;
    f.signedOn = data[0] & 1;
    f.ownId = data[0] >> 1;
    FuzzPeer peer(f, data + 1, size - 1);
    for (int step = 0; peer.more() && step < 10000; ++step) {
        if (f.connected == 0)
            f.connected = 1;  // a new connection keeps the pending text
        online::ReceivePass(f, peer);
        CheckInvariants(f);
        if (step % 7 == 6) {
            peer.SendSomeText();
            CheckInvariants(f);
        }
    }
    return 0;
}
