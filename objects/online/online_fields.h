// The online object's own run-time fields: the part of its RunObjectData
// after the host's 152-byte header. Portable (no Windows header), so that the
// line protocol that works on it also builds natively for fuzzing.
//
// The record is packed and its layout is the same on i686 and x86_64:
// socketHandle stays 32 bits wide (a Winsock handle fits), so the whole
// RunObjectData is 5624 bytes in both builds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "records.h"

namespace online {

// Widths of the text fields, terminator included.
constexpr size_t AliasWidth = 50;       // ownAlias, senderAlias, channel, clientAlias
constexpr size_t ErrorTextWidth = 256;  // errorText
constexpr size_t OutLineWidth = 1024;   // outLine
constexpr size_t LineWidth = 801;       // receiveBuffer, pendingText
constexpr size_t JoinWidth = 1024;      // joinBuffer
constexpr size_t MessageWidth = 1024;   // messageText
constexpr size_t ServerMessageWidth = 256;

// The most an action's alias or channel contributes: 49 characters.
constexpr size_t NameLimit = AliasWidth - 1;
// One receive takes at most this many bytes ...
constexpr int ReceiveLimit = 300;
// ... and none is made while this many characters are pending.
constexpr size_t PendingLimit = 500;

#pragma pack(push, 1)
struct OnlineFields {
    uint32_t socketHandle;        // the TCP socket; 0xFFFFFFFF: none
    uint8_t serverAddress[16];    // IPv4 socket address: family, port, address, 8 zeros
    uint32_t connected;           // 1 while connected
    uint32_t signedOn;            // 1 from the welcome until signed off; only while connected
    uint32_t messageWaiting;      // 1 while a received text message is unread
    uint32_t clientJustSignedOn;  // event flags, cleared by UserId / UserAlias$
    uint32_t clientWasSignedOn;
    uint32_t clientLeft;
    int32_t ownId;
    char ownAlias[AliasWidth];
    int32_t senderId;
    char senderAlias[AliasWidth];
    int32_t messageSubchannel;
    char channel[AliasWidth];
    int32_t errorNumber;  // last socket-layer error; 0: none
    char errorText[ErrorTextWidth];
    int32_t clientId;  // the client named by the last sign-on or sign-off notice
    char clientAlias[AliasWidth];
    char outLine[OutLineWidth];       // every outgoing line is built here; also a server notice's text
    char receiveBuffer[LineWidth];    // target of a receive, then the line being assembled
    char joinBuffer[JoinWidth];       // pending text followed by the bytes just received
    char pendingText[LineWidth];      // text after the last line feed, carried to the next pass
    char messageText[MessageWidth];
    char serverMessage[ServerMessageWidth];
    int32_t serverVersion;
    char charText[2];  // one character and its terminator, appended to the line
    uint32_t scanIndex;
    uint32_t lastLineEnd;
    uint32_t joinLength;
    int32_t lastReceiveResult;
};

// The whole RunObjectData as the host allocates it.
struct OnlineData {
    RunObjectHeader header;
    OnlineFields f;
};
#pragma pack(pop)

// Offsets within the RunObjectData, as the host and stored tools know them.
#define ONLINE_AT(field, offset) static_assert(offsetof(OnlineData, f) + offsetof(OnlineFields, field) == (offset), #field)
ONLINE_AT(socketHandle, 152);
ONLINE_AT(serverAddress, 156);
ONLINE_AT(connected, 172);
ONLINE_AT(signedOn, 176);
ONLINE_AT(messageWaiting, 180);
ONLINE_AT(clientJustSignedOn, 184);
ONLINE_AT(clientWasSignedOn, 188);
ONLINE_AT(clientLeft, 192);
ONLINE_AT(ownId, 196);
ONLINE_AT(ownAlias, 200);
ONLINE_AT(senderId, 250);
ONLINE_AT(senderAlias, 254);
ONLINE_AT(messageSubchannel, 304);
ONLINE_AT(channel, 308);
ONLINE_AT(errorNumber, 358);
ONLINE_AT(errorText, 362);
ONLINE_AT(clientId, 618);
ONLINE_AT(clientAlias, 622);
ONLINE_AT(outLine, 672);
ONLINE_AT(receiveBuffer, 1696);
ONLINE_AT(joinBuffer, 2497);
ONLINE_AT(pendingText, 3521);
ONLINE_AT(messageText, 4322);
ONLINE_AT(serverMessage, 5346);
ONLINE_AT(serverVersion, 5602);
ONLINE_AT(charText, 5606);
ONLINE_AT(scanIndex, 5608);
ONLINE_AT(lastLineEnd, 5612);
ONLINE_AT(joinLength, 5616);
ONLINE_AT(lastReceiveResult, 5620);
#undef ONLINE_AT
static_assert(sizeof(OnlineData) == 5624);
static_assert(sizeof(OnlineFields) == 5624 - 152);

// The value socketHandle holds when there is no socket.
constexpr uint32_t NoSocket = 0xFFFFFFFFu;

}  // namespace online
