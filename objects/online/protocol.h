// The online object's line protocol: the receive pass (line assembly, field
// splitting, number reading, notice dispatch) and the building of every
// command line. Plain C++ over OnlineFields; everything that touches the
// socket, the host or the screen goes through Peer, so the same code runs in
// the DLL, in native unit tests and under the fuzzer.
//
// Wire format: lines of 8-bit text ended by one line feed; fields separated by
// "|"; on receipt a run of "|" counts as one separator and the first field is
// the keyword. Received notices:
//   m|sub|senderId|senderAlias|text   signed|id|alias   signon|id|alias
//   welcome|id|alias   signoff|id|alias   server|text   motd|text   ver|n
// Sent commands:
//   signon|alias|channel LF   signoff LF   setalias|alias| LF
//   setchannel|channel LF   m|sub|text LF   ver|1 LF
// and "signoff" without a line feed when the object is destroyed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "online_fields.h"

namespace online {

// What the protocol needs from around it.
class Peer {
public:
    // One receive of at most `size` bytes into `buffer`: the count received,
    // 0 when the server has closed the connection, negative when nothing
    // could be read (the usual case on a non-blocking socket).
    virtual int Receive(char* buffer, int size) = 0;
    // Closes the socket after the server closed the connection; records the
    // error itself when the close fails.
    virtual void CloseAfterServerClose() = 0;
    // One send of exactly `length` bytes; the send's result (-1 on failure).
    virtual int Send(const char* bytes, size_t length) = 0;
    // Records the socket layer's last error in errorNumber.
    virtual void RecordLastError() = 0;
    // The host's RaiseEvent with condition 1 and the message's subchannel.
    virtual void RaiseTextEvent(int32_t subchannel) = 0;
    // A server notice of two or more characters, shown to the user.
    virtual void ShowServerNotice(const char* text) = 0;

protected:
    ~Peer() = default;
};

// The protocol version this client answers a version notice with.
constexpr char VersionReply[] = "ver|1\n";

// One receive pass: at most one receive, then every complete line is
// dispatched in order and the rest is kept in pendingText.
//
// A partial line never stops receiving: when the text after the last line
// feed reaches PendingLimit characters, that much of the line is dispatched
// as if it had ended there (its last field is cut), and the rest of it, up to
// its line feed, is skipped. The skip is kept as a pendingText of "|", which
// makes the remainder a line with no keyword, ignored like any such line.
void ReceivePass(OnlineFields& f, Peer& peer);

// Dispatches one received line (no line feed, any length; modified in place:
// its separators become terminators). Lines of fewer than 2 characters and
// lines with an unknown keyword are ignored.
void DispatchLine(OnlineFields& f, Peer& peer, char* line, size_t length);

// Reads a signed decimal number: optional leading white space, an optional
// sign, then digits up to the first non-digit; no digit gives 0. Values past
// the 32-bit range stick at its ends.
int32_t ReadNumber(const char* text);

// Writes `value` in decimal into `out` (at least 12 bytes); returns its length.
size_t FormatNumber(int32_t value, char* out);

// The commands. Each builds its line in outLine and sends it once, if the
// connection state allows it; names are cut to their first 49 characters.
void SignOn(OnlineFields& f, Peer& peer, const char* alias, const char* channel);
void SignOff(OnlineFields& f, Peer& peer);
void SetAlias(OnlineFields& f, Peer& peer, const char* alias);
void SetChannel(OnlineFields& f, Peer& peer, const char* channel);
// Returns 1 when the send failed (the error is recorded), else 0. A text too
// long for outLine is cut so that the line still ends with its line feed.
int16_t SendText(OnlineFields& f, Peer& peer, const char* text, int32_t subchannel);

// The Disconnect sign-off: "signoff" and a line feed, result ignored.
void SendSignOffLine(OnlineFields& f, Peer& peer);

}  // namespace online
