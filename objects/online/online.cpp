// online: a client of a line-based chat server over TCP. This file holds the
// Windows side: the socket layer's life, host resolution, connecting and
// closing, message boxes, the routines and the information dialog. The line
// protocol itself is plain C++ in protocol.cpp.
#include <winsock2.h>

#include "description.h"
#include "protocol.h"
#include "socket_errors.h"
#include "text.h"

using online::OnlineData;
using online::OnlineFields;

namespace {

constexpr WORD SocketLayerVersion = 0x0102;
constexpr int HelpButtonId = 20100;
constexpr size_t ShortTextResult = 51;
constexpr size_t LongTextResult = 257;
constexpr size_t MessageTextResult = 1024;

OnlineFields& Fields(RunObjectData* rd) { return reinterpret_cast<OnlineData*>(rd)->f; }

// socketHandle is 32 bits in both builds; NoSocket stands for INVALID_SOCKET.
SOCKET SocketOf(const OnlineFields& f)
{
    return f.socketHandle == online::NoSocket ? INVALID_SOCKET : static_cast<SOCKET>(f.socketHandle);
}
void KeepSocket(OnlineFields& f, SOCKET s)
{
    f.socketHandle = s == INVALID_SOCKET ? online::NoSocket : static_cast<uint32_t>(s);
}

void RecordError(OnlineFields& f) { f.errorNumber = WSAGetLastError(); }

// The protocol's view of one object's socket and host.
class SocketPeer final : public online::Peer {
public:
    explicit SocketPeer(RunObjectData* rd) : rd_(rd), f_(Fields(rd)) {}

    int Receive(char* buffer, int size) override { return recv(SocketOf(f_), buffer, size, 0); }
    void CloseAfterServerClose() override
    {
        if (closesocket(SocketOf(f_)) == SOCKET_ERROR)
            RecordError(f_);
    }
    int Send(const char* bytes, size_t length) override
    {
        return send(SocketOf(f_), bytes, static_cast<int>(length), 0);
    }
    void RecordLastError() override { RecordError(f_); }
    void RaiseTextEvent(int32_t subchannel) override
    {
        PlayerContext* pc = PlayerContextOf(rd_);
        if (pc != nullptr && pc->RaiseEvent != nullptr)
            pc->RaiseEvent(rd_, 1, subchannel);
    }
    void ShowServerNotice(const char* text) override
    {
        MessageBoxA(GetActiveWindow(), text, "Server", MB_ICONINFORMATION | MB_OK);
    }

private:
    RunObjectData* rd_;
    OnlineFields& f_;
};

// Host resolution: a dotted address, the broadcast address, or a name look-up;
// 0 when nothing answers. Records no error.
uint32_t ResolveHost(const char* host)
{
    if (host == nullptr || host[0] == '\0')
        return 0;
    const unsigned long parsed = inet_addr(host);
    if (parsed != INADDR_NONE)
        return static_cast<uint32_t>(parsed);
    if (lstrcmpA(host, "255.255.255.255") == 0)
        return 0xFFFFFFFFu;
    const hostent* answer = gethostbyname(host);
    if (answer == nullptr || answer->h_addr_list == nullptr || answer->h_addr_list[0] == nullptr)
        return 0;
    uint32_t address;
    CopyMemory(&address, answer->h_addr_list[0], sizeof address);
    return address;
}

// Connects, blocking, then switches the socket to non-blocking mode. The
// socket of a failed attempt is closed at once: nothing else would release it
// before the object ends.
void Connect(OnlineFields& f, const char* host, int32_t port)
{
    if (f.connected != 0)
        return;
    f.socketHandle = online::NoSocket;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port & 0xFFFF));
    address.sin_addr.s_addr = ResolveHost(host);
    static_assert(sizeof address == sizeof f.serverAddress);
    CopyMemory(f.serverAddress, &address, sizeof address);

    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    KeepSocket(f, s);
    if (connect(s, reinterpret_cast<const sockaddr*>(f.serverAddress), sizeof f.serverAddress) == SOCKET_ERROR) {
        RecordError(f);
        if (s != INVALID_SOCKET)
            closesocket(s);  // result ignored: the attempt's error is the one to report
        f.socketHandle = online::NoSocket;
        return;
    }
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) == SOCKET_ERROR)
        RecordError(f);
    f.connected = 1;
}

void Disconnect(OnlineFields& f, SocketPeer& peer)
{
    if (f.connected != 1)
        return;
    if (f.signedOn == 1) {
        online::SendSignOffLine(f, peer);
        f.signedOn = 0;
    }
    if (closesocket(SocketOf(f)) == SOCKET_ERROR) {
        RecordError(f);
        return;
    }
    f.connected = 0;
}

// --- Run time ---------------------------------------------------------------

int16_t CreateOnline(RunObjectData* rd, EditStructure*)
{
    OnlineFields& f = Fields(rd);
    f.connected = f.signedOn = f.messageWaiting = 0;
    f.clientJustSignedOn = f.clientWasSignedOn = f.clientLeft = 0;
    f.errorNumber = f.ownId = f.serverVersion = 0;
    f.scanIndex = f.lastLineEnd = 0;
    f.serverMessage[0] = f.ownAlias[0] = f.channel[0] = '\0';
    f.receiveBuffer[0] = f.joinBuffer[0] = f.pendingText[0] = f.outLine[0] = f.charText[0] = '\0';
    WSADATA data;
    // A failed start-up cannot be asked for WSAGetLastError: its own result
    // is the error number.
    const int result = WSAStartup(SocketLayerVersion, &data);
    if (result != 0)
        f.errorNumber = result;
    return 0;
}

int16_t DestroyOnline(RunObjectData* rd)
{
    OnlineFields& f = Fields(rd);
    if (f.connected != 0) {
        if (f.signedOn != 0) {
            static const char SignOff[] = "signoff";  // no line feed at destruction
            send(SocketOf(f), SignOff, sizeof SignOff - 1, 0);
            f.signedOn = 0;
        }
        if (closesocket(SocketOf(f)) == SOCKET_ERROR)
            RecordError(f);
        else
            f.connected = 0;
    }
    WSACleanup();
    return 0;
}

int16_t HandleOnline(RunObjectData* rd)
{
    SocketPeer peer(rd);
    online::ReceivePass(Fields(rd), peer);
    return 0;
}

// --- Conditions -----------------------------------------------------------

int32_t HOSTAPI IsConnected(RunObjectData* rd, intptr_t, intptr_t) { return Fields(rd).connected != 0; }
int32_t HOSTAPI HasTextToReceive(RunObjectData* rd, intptr_t subchannel, intptr_t)
{
    const OnlineFields& f = Fields(rd);
    return f.messageWaiting == 1 && static_cast<int32_t>(subchannel) == f.messageSubchannel;
}
int32_t HOSTAPI HasError(RunObjectData* rd, intptr_t, intptr_t) { return Fields(rd).errorNumber != 0; }
int32_t HOSTAPI IsSignedOn(RunObjectData* rd, intptr_t, intptr_t) { return Fields(rd).signedOn == 1; }
int32_t HOSTAPI ClientWasSignedOn(RunObjectData* rd, intptr_t, intptr_t) { return Fields(rd).clientWasSignedOn == 1; }
int32_t HOSTAPI ClientJustSignedOn(RunObjectData* rd, intptr_t, intptr_t)
{
    return Fields(rd).clientJustSignedOn == 1;
}
int32_t HOSTAPI ClientLeft(RunObjectData* rd, intptr_t, intptr_t) { return Fields(rd).clientLeft == 1; }

// --- Actions ----------------------------------------------------------------

const char* TextParameter(intptr_t p) { return reinterpret_cast<const char*>(p); }
int32_t NumberParameter(intptr_t p) { return static_cast<int32_t>(p); }

int16_t HOSTAPI ConnectAction(RunObjectData* rd, intptr_t host, intptr_t port)
{
    Connect(Fields(rd), TextParameter(host), NumberParameter(port));
    return 0;
}
int16_t HOSTAPI DisconnectAction(RunObjectData* rd, intptr_t, intptr_t)
{
    SocketPeer peer(rd);
    Disconnect(Fields(rd), peer);
    return 0;
}
int16_t HOSTAPI SignOnAction(RunObjectData* rd, intptr_t alias, intptr_t channel)
{
    SocketPeer peer(rd);
    online::SignOn(Fields(rd), peer, TextParameter(alias), TextParameter(channel));
    return 0;
}
int16_t HOSTAPI SignOffAction(RunObjectData* rd, intptr_t, intptr_t)
{
    SocketPeer peer(rd);
    online::SignOff(Fields(rd), peer);
    return 0;
}
int16_t HOSTAPI SetAliasAction(RunObjectData* rd, intptr_t alias, intptr_t)
{
    SocketPeer peer(rd);
    online::SetAlias(Fields(rd), peer, TextParameter(alias));
    return 0;
}
int16_t HOSTAPI SetChannelAction(RunObjectData* rd, intptr_t channel, intptr_t)
{
    SocketPeer peer(rd);
    online::SetChannel(Fields(rd), peer, TextParameter(channel));
    return 0;
}
int16_t HOSTAPI SendTextAction(RunObjectData* rd, intptr_t text, intptr_t subchannel)
{
    SocketPeer peer(rd);
    return online::SendText(Fields(rd), peer, TextParameter(text), NumberParameter(subchannel));
}
int16_t HOSTAPI ShowErrorAction(RunObjectData* rd, intptr_t, intptr_t)
{
    OnlineFields& f = Fields(rd);
    if (f.errorNumber == 0)
        return 0;
    online::DescribeSocketError(f, f.errorNumber);
    MessageBoxA(GetActiveWindow(), f.errorText, "Display Error", MB_OK);
    f.errorNumber = 0;
    return 0;
}

// --- Expressions ----------------------------------------------------------

// A copy of `text` in a host buffer of `size` bytes, flagged as a text
// result; the number 0 when the host gives no buffer.
intptr_t TextResult(RunObjectData* rd, size_t size, const char* text)
{
    PlayerContext* pc = PlayerContextOf(rd);
    if (pc == nullptr || pc->GetTextResultBuffer == nullptr)
        return 0;
    char* buffer = pc->GetTextResultBuffer(rd, static_cast<intptr_t>(size), 0);
    if (buffer == nullptr)
        return 0;
    CopyText(buffer, size, text);
    SetTextResultFlag(rd);
    return reinterpret_cast<intptr_t>(buffer);
}

int32_t ExpressionParameter(RunObjectData* rd, intptr_t token)
{
    PlayerContext* pc = PlayerContextOf(rd);
    if (pc == nullptr || pc->GetExpressionParameter == nullptr)
        return 0;
    return pc->GetExpressionParameter(rd, 0, token);
}

void ClearClientFlags(OnlineFields& f) { f.clientJustSignedOn = f.clientWasSignedOn = f.clientLeft = 0; }

intptr_t HOSTAPI GetAlias(RunObjectData* rd, intptr_t)
{
    return TextResult(rd, ShortTextResult, Fields(rd).ownAlias);
}
intptr_t HOSTAPI GetId(RunObjectData* rd, intptr_t) { return Fields(rd).ownId; }
intptr_t HOSTAPI GetChannel(RunObjectData* rd, intptr_t)
{
    return TextResult(rd, ShortTextResult, Fields(rd).channel);
}
intptr_t HOSTAPI ReceiveText(RunObjectData* rd, intptr_t token)
{
    const int32_t subchannel = ExpressionParameter(rd, token);
    OnlineFields& f = Fields(rd);
    if (f.messageWaiting != 1 || subchannel != f.messageSubchannel)
        return 0;
    f.messageWaiting = 0;
    return TextResult(rd, MessageTextResult, f.messageText);
}
intptr_t HOSTAPI UserId(RunObjectData* rd, intptr_t)
{
    OnlineFields& f = Fields(rd);
    ClearClientFlags(f);
    return f.clientId;
}
intptr_t HOSTAPI UserAlias(RunObjectData* rd, intptr_t)
{
    OnlineFields& f = Fields(rd);
    ClearClientFlags(f);
    return TextResult(rd, ShortTextResult, f.clientAlias);
}
intptr_t HOSTAPI ErrorMessage(RunObjectData* rd, intptr_t)
{
    OnlineFields& f = Fields(rd);
    if (f.errorNumber == 0)
        return 0;
    online::DescribeSocketError(f, f.errorNumber);
    f.errorNumber = 0;
    return TextResult(rd, LongTextResult, f.errorText);
}
intptr_t HOSTAPI ErrorNumber(RunObjectData* rd, intptr_t)
{
    OnlineFields& f = Fields(rd);
    const int32_t number = f.errorNumber;
    f.errorNumber = 0;
    return number;
}
intptr_t HOSTAPI ServerMessage(RunObjectData* rd, intptr_t)
{
    const OnlineFields& f = Fields(rd);
    if (f.connected == 0)
        return 0;
    return TextResult(rd, LongTextResult, f.serverMessage);
}
intptr_t HOSTAPI ServerVersion(RunObjectData* rd, intptr_t)
{
    const OnlineFields& f = Fields(rd);
    return f.connected != 0 ? f.serverVersion : 0;
}
intptr_t HOSTAPI MessageSenderId(RunObjectData* rd, intptr_t) { return Fields(rd).senderId; }
intptr_t HOSTAPI MessageSenderAlias(RunObjectData* rd, intptr_t)
{
    return TextResult(rd, ShortTextResult, Fields(rd).senderAlias);
}

// --- Edit time --------------------------------------------------------------

void SetDefaults(EditStructure* edit)
{
    const int16_t size = 32;
    CopyMemory(reinterpret_cast<uint8_t*>(edit) + 8, &size, sizeof size);   // width
    CopyMemory(reinterpret_cast<uint8_t*>(edit) + 10, &size, sizeof size);  // height
}

// The information dialog: OK ends with 0, Cancel with -1, Help shows the
// object's help and keeps the dialog open.
INT_PTR CALLBACK InfoDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        StoreDialogContext(dialog, lParam);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        EndDialog(dialog, 0);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, -1);
        return TRUE;
    case HelpButtonId:
        ShowObjectHelp(DialogContextOf(dialog));
        return FALSE;
    default:
        return FALSE;
    }
}

// --- Description ------------------------------------------------------------

const ConditionRoutine Conditions[] = {IsConnected,       HasTextToReceive,   HasError,   IsSignedOn,
                                      ClientWasSignedOn, ClientJustSignedOn, ClientLeft, nullptr};
const ActionRoutine Actions[] = {ConnectAction,  DisconnectAction, SignOnAction,   SignOffAction,
                                 SetAliasAction, SetChannelAction, SendTextAction, ShowErrorAction,
                                 nullptr};
const ExpressionRoutine Expressions[] = {GetAlias,      GetId,         GetChannel,    ReceiveText,
                                         UserId,        UserAlias,     ErrorMessage,  ErrorNumber,
                                         ServerMessage, ServerVersion, MessageSenderId, MessageSenderAlias,
                                         nullptr};

const EntryInfo ConditionInfos[] = {
    {0, PolledConditionFlags, 0, 0, 0, 0}, {1, 0, ParamNumber, 0, 0, 0},
    {2, PolledConditionFlags, 0, 0, 0, 0}, {3, PolledConditionFlags, 0, 0, 0, 0},
    {4, PolledConditionFlags, 0, 0, 0, 0}, {5, PolledConditionFlags, 0, 0, 0, 0},
    {6, PolledConditionFlags, 0, 0, 0, 0},
};
const EntryInfo ActionInfos[] = {
    {0, 0, ParamText, ParamNumber, 0, 0}, {1, 0, 0, 0, 0, 0}, {2, 0, ParamText, ParamText, 0, 0},
    {3, 0, 0, 0, 0, 0},                   {4, 0, ParamText, 0, 0, 0}, {5, 0, ParamText, 0, 0, 0},
    {6, 0, ParamText, ParamNumber, 0, 0}, {7, 0, 0, 0, 0, 0},
};
const EntryInfo ExpressionInfos[] = {
    {0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}, {2, 0, 0, 0, 0, 0},  {3, 0, ExpParamInteger, 0, 0, 0},
    {4, 0, 0, 0, 0, 0}, {5, 0, 0, 0, 0, 0}, {6, 0, 0, 0, 0, 0},  {7, 0, 0, 0, 0, 0},
    {8, 0, 0, 0, 0, 0}, {9, 0, 0, 0, 0, 0}, {10, 0, 0, 0, 0, 0}, {11, 0, 0, 0, 0, 0},
};
static_assert(sizeof Conditions / sizeof Conditions[0] == 7 + 1);
static_assert(sizeof Actions / sizeof Actions[0] == 8 + 1);
static_assert(sizeof Expressions / sizeof Expressions[0] == 12 + 1);

// Position 2004 is beyond any popup menu: that removal finds nothing. It is
// kept between the two others, in the order the host has always seen.
const PopupRemoval Removals[] = {{true, 1}, {true, 2004}, {false, 2006}};

}  // namespace

extern "C" const ObjectDescription TheObject = {
    /* runObjectDataSize */ sizeof(OnlineData),
    /* conditionCount */ 7,
    /* actionCount */ 8,
    /* expressionCount */ 12,
    /* editStructureSize */ 12,
    /* optionWord */ 0,
    /* writesOptionByte */ true,
    /* optionByte */ 100,
    /* objectId */ {'0', 'M', 'A', 'S'},
    Conditions,
    Actions,
    Expressions,
    ConditionInfos,
    ActionInfos,
    ExpressionInfos,
    /* infos0 */ 0x200,
    /* infos2 */ 0x100,
    CreateOnline,
    DestroyOnline,
    HandleOnline,
    /* handleResult */ 0,
    SetDefaults,
    InfoDialogProcedure,
    RunSetupDialog,
    DialogEndRule::OkZero,
    Removals,
    sizeof Removals / sizeof Removals[0],
    RectRule::FromEditStructure,
    /* modifyObjectSetsSize */ true,
};
