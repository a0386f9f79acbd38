// The online object's line protocol; see protocol.h.
#include "protocol.h"

#include <cstring>

#include "text.h"

namespace online {

namespace {

// Received notices, in the order they are tested. Each is matched with its
// "|" at the very start of the line.
enum class Notice { Message, Signed, SignOn, Welcome, SignOff, Server, Motd, Version, None };

struct NoticeKeyword {
    const char* prefix;
    size_t length;
    Notice notice;
};

const NoticeKeyword Keywords[] = {
    {"m|", 2, Notice::Message},        {"signed|", 7, Notice::Signed}, {"signon|", 7, Notice::SignOn},
    {"welcome|", 8, Notice::Welcome},  {"signoff|", 8, Notice::SignOff}, {"server|", 7, Notice::Server},
    {"motd|", 5, Notice::Motd},        {"ver|", 4, Notice::Version},
};

// The fields a notice uses: at most four after the keyword.
constexpr int MaxFields = 4;

// Splits `text` (length characters) in place into at most `max` fields: a run
// of "|" is one separator, empty fields do not exist. Separators become
// terminators. Missing fields are null, which reads as empty text or 0.
void SplitFields(char* text, size_t length, const char* fields[], int max)
{
    for (int i = 0; i < max; ++i)
        fields[i] = nullptr;
    size_t at = 0;
    for (int i = 0; i < max; ++i) {
        while (at < length && text[at] == '|')
            ++at;
        if (at >= length)
            return;
        fields[i] = text + at;
        while (at < length && text[at] != '|')
            ++at;
        if (at < length)
            text[at++] = '\0';
    }
}

// Builds one command line in a fixed-size field, through CopyText only.
class LineBuilder {
public:
    LineBuilder(char* out, size_t width) : out_(out), width_(width) { out_[0] = '\0'; }

    // Appends at most `limit` characters of `text`, never past the field.
    void Add(const char* text, size_t limit = static_cast<size_t>(-1))
    {
        size_t room = width_ - length_;  // characters + terminator
        if (limit < room - 1)
            room = limit + 1;
        length_ += CopyText(out_ + length_, room, text);
    }
    // Characters still free before the terminator's byte.
    size_t free() const { return width_ - 1 - length_; }
    size_t length() const { return length_; }

private:
    char* out_;
    size_t width_;
    size_t length_ = 0;
};

void SendLine(Peer& peer, const OnlineFields& f, size_t length) { peer.Send(f.outLine, length); }

}  // namespace

int32_t ReadNumber(const char* text)
{
    if (text == nullptr)
        return 0;
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\v' || *text == '\f' || *text == '\r')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > 2147483648LL)
            value = 2147483648LL;  // stays past the range; only the ends matter
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        value = INT32_MAX;
    return static_cast<int32_t>(value);
}

size_t FormatNumber(int32_t value, char* out)
{
    char digits[12];
    size_t n = 0;
    int64_t v = value;
    const bool negative = v < 0;
    if (negative)
        v = -v;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    size_t length = 0;
    if (negative)
        out[length++] = '-';
    while (n > 0)
        out[length++] = digits[--n];
    out[length] = '\0';
    return length;
}

void DispatchLine(OnlineFields& f, Peer& peer, char* line, size_t length)
{
    if (length < 2)
        return;
    Notice notice = Notice::None;
    size_t keywordLength = 0;
    for (const NoticeKeyword& k : Keywords)
        if (length >= k.length && std::memcmp(line, k.prefix, k.length) == 0) {
            notice = k.notice;
            keywordLength = k.length;
            break;
        }
    if (notice == Notice::None)
        return;
    const bool needsSignedOn = notice == Notice::Message || notice == Notice::Signed || notice == Notice::SignOn ||
                               notice == Notice::SignOff;
    if (needsSignedOn && f.signedOn != 1)
        return;

    const char* field[MaxFields];
    SplitFields(line + keywordLength, length - keywordLength, field, MaxFields);

    switch (notice) {
    case Notice::Message:
        f.messageSubchannel = ReadNumber(field[0]);
        f.senderId = ReadNumber(field[1]);
        CopyText(f.senderAlias, field[2]);
        CopyText(f.messageText, field[3]);
        f.messageWaiting = 1;
        peer.RaiseTextEvent(f.messageSubchannel);
        break;
    case Notice::Signed:
        f.clientId = ReadNumber(field[0]);
        CopyText(f.clientAlias, field[1]);
        f.clientWasSignedOn = 1;
        break;
    case Notice::SignOn:
        f.clientId = ReadNumber(field[0]);
        CopyText(f.clientAlias, field[1]);
        if (f.clientId != f.ownId)
            f.clientJustSignedOn = 1;
        break;
    case Notice::Welcome:
        f.ownId = ReadNumber(field[0]);
        CopyText(f.ownAlias, field[1]);
        f.signedOn = 1;
        break;
    case Notice::SignOff:
        f.clientId = ReadNumber(field[0]);
        CopyText(f.clientAlias, field[1]);
        if (f.clientId == f.ownId)
            f.signedOn = 0;
        else
            f.clientLeft = 1;
        break;
    case Notice::Server:
        if (CopyText(f.outLine, field[0]) >= 2)
            peer.ShowServerNotice(f.outLine);
        break;
    case Notice::Motd:
        CopyText(f.serverMessage, field[0]);
        break;
    case Notice::Version: {
        f.serverVersion = ReadNumber(field[0]);
        const size_t n = CopyText(f.outLine, VersionReply);
        SendLine(peer, f, n);
        break;
    }
    case Notice::None:
        break;
    }
}

void ReceivePass(OnlineFields& f, Peer& peer)
{
    if (f.connected == 0)
        return;
    f.receiveBuffer[0] = '\0';

    // Receive, unless the pending text is long (it never is after a pass:
    // see the cut below).
    size_t received = 0;
    if (FieldLength(f.pendingText, LineWidth) < PendingLimit) {
        const int result = peer.Receive(f.receiveBuffer, ReceiveLimit);
        f.lastReceiveResult = result;
        if (result == 0) {
            f.signedOn = 0;
            f.connected = 0;
            peer.CloseAfterServerClose();
            return;
        }
        if (result > 0)
            received = result < ReceiveLimit ? static_cast<size_t>(result) : static_cast<size_t>(ReceiveLimit);
    }

    // Join: the pending text, then the received bytes up to the first zero.
    f.receiveBuffer[received] = '\0';
    CopyText(f.joinBuffer, f.pendingText);
    AppendText(f.joinBuffer, f.receiveBuffer);
    f.receiveBuffer[0] = '\0';
    f.joinLength = static_cast<uint32_t>(FieldLength(f.joinBuffer, JoinWidth));
    if (f.joinLength == 0)
        return;

    // Walk: each line feed ends a line, which is dispatched at once; rules run
    // by RaiseEvent use outLine and the socket, never the buffers below.
    size_t lineLength = 0;
    bool metLineEnd = false;
    for (f.scanIndex = 0; f.scanIndex < f.joinLength; ++f.scanIndex) {
        const char c = f.joinBuffer[f.scanIndex];
        if (c == '\n') {
            f.lastLineEnd = f.scanIndex;
            metLineEnd = true;
            DispatchLine(f, peer, f.receiveBuffer, lineLength);
            f.receiveBuffer[0] = '\0';
            lineLength = 0;
            continue;
        }
        f.charText[0] = c;
        f.charText[1] = '\0';
        lineLength += CopyText(f.receiveBuffer + lineLength, LineWidth - lineLength, f.charText);
    }

    // Carry what follows the last line feed to the next pass.
    CopyText(f.pendingText, metLineEnd ? f.joinBuffer + f.lastLineEnd + 1 : f.joinBuffer);

    // A partial line this long would stop all receiving: take it as cut here
    // (it is the line still assembled in receiveBuffer) and skip the rest of
    // it up to its line feed.
    if (FieldLength(f.pendingText, LineWidth) >= PendingLimit) {
        DispatchLine(f, peer, f.receiveBuffer, lineLength);
        f.receiveBuffer[0] = '\0';
        CopyText(f.pendingText, "|");
    }
}

void SignOn(OnlineFields& f, Peer& peer, const char* alias, const char* channel)
{
    if (f.connected == 0 || f.signedOn != 0)
        return;
    CopyText(f.channel, channel);
    LineBuilder line(f.outLine, OutLineWidth);
    line.Add("signon|");
    line.Add(alias, NameLimit);
    line.Add("|");
    line.Add(channel, NameLimit);
    line.Add("\n");
    SendLine(peer, f, line.length());
}

void SignOff(OnlineFields& f, Peer& peer)
{
    if (f.connected == 0 || f.signedOn == 0)
        return;
    SendSignOffLine(f, peer);
}

void SendSignOffLine(OnlineFields& f, Peer& peer)
{
    const size_t n = CopyText(f.outLine, "signoff\n");
    SendLine(peer, f, n);
}

// Sends keyword, the first 49 characters of `name`, then `ending`.
static void SendNameCommand(OnlineFields& f, Peer& peer, const char* keyword, const char* name, const char* ending)
{
    LineBuilder line(f.outLine, OutLineWidth);
    line.Add(keyword);
    line.Add(name, NameLimit);
    line.Add(ending);
    SendLine(peer, f, line.length());
}

void SetAlias(OnlineFields& f, Peer& peer, const char* alias)
{
    if (f.connected == 0)
        return;
    CopyText(f.ownAlias, alias);
    SendNameCommand(f, peer, "setalias|", alias, "|\n");
}

void SetChannel(OnlineFields& f, Peer& peer, const char* channel)
{
    if (f.connected == 0)
        return;
    CopyText(f.channel, channel);
    SendNameCommand(f, peer, "setchannel|", channel, "\n");
}

int16_t SendText(OnlineFields& f, Peer& peer, const char* text, int32_t subchannel)
{
    if (f.connected == 0)
        return 0;
    char number[12];
    FormatNumber(subchannel, number);
    LineBuilder line(f.outLine, OutLineWidth);
    line.Add("m|");
    line.Add(number);
    line.Add("|");
    line.Add(text, line.free() - 1);  // keeps room for the line feed
    line.Add("\n");
    if (peer.Send(f.outLine, line.length()) == -1) {
        peer.RecordLastError();
        return 1;
    }
    return 0;
}

}  // namespace online
