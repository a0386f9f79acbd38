// The error table: 44 Windows Sockets numbers with their texts. Where no
// sentence was written for a number its text is the Windows Sockets name.
// The texts are shown to users as they stand, spelling included.
#include "socket_errors.h"

#include "text.h"

namespace online {

namespace {

struct ErrorEntry {
    int32_t number;
    const char* text;
};

const ErrorEntry ErrorTable[] = {
    {10004, "The (blocking) call was canceled via WSACancelBlockingCall()"},
    {10009, "WSAEBADF"},
    {10013, "The requested address is a broadcast address, but the appropriate flag was not set."},
    {10014, "The namelen argument is too small (less than the size of a struct sockaddr)."},
    {10022, "The socket is already bound to an address, or the API version is not supported"},
    {10024, "No more file descriptors are available."},
    {10035, "The socket is marked as non-blocking and the connection cannot be completed immediately."},
    {10036, "A blocking Windows Sockets operation is in progress."},
    {10037, "WSAEALREADY"},
    {10038, "The descriptor is not a socket."},
    {10039, "A destination address is required."},
    {10040, "The socket is of type SOCK_DGRAM, and the datagram is larger than the maximum supported by the "
            "Windows Sockets implementation."},
    {10041, "The specified protocol is the wrong type for this socket."},
    {10042, "WSAENOPROTOOPT"},
    {10043, "The specified protocol is not supported."},
    {10044, "The specified socket type is not supported in this address family."},
    {10045, "MSG_OOB was specified, but the socket is not of type SOCK_STREAM."},
    {10046, "WSAEPFNOSUPPORT"},
    {10047, "The specified address family is not supported by this protocol."},
    {10048, "The specified address is already in use."},
    {10049, "The specified address is not available from the local machine."},
    {10050, "The Windows Sockets implementation has detected that the network subsystem has failed."},
    {10051, "The network can't be reached from this host at this time."},
    {10052, "The connection must be reset because the Windows Sockets implementation dropped it."},
    {10053, "The virtual circuit was aborted due to timeout or other failure."},
    {10054, "The virtual circuit was reset by the remote side."},
    {10055, "Not enough buffers available, too many connections."},
    {10056, "The socket is already connected."},
    {10057, "WSAENOTCONN"},
    {10058, "The socket has been shutdown; it is not possible to send() on a socket after shutdown() has been "
            "invoked with how set to 1 or 2."},
    {10059, "WSAETOOMANYREFS"},
    {10060, "Attempt to connect timed out without establishing a connection"},
    {10061, "The attempt to connect was forcefully rejected."},
    {10062, "WSAELOOP"},
    {10063, "WSAENAMETOOLONG"},
    {10064, "WSAEHOSTDOWN"},
    {10065, "Could not reach host, please make sure that you are connected to the internet."},
    {10091, "The underlying network subsystem is not ready for network communication."},
    {10092, "The version of Windows Sockets API support requested is not provided by this particular Windows "
            "Sockets implementation."},
    {10093, "A successful WSAStartup() must occur before using this API."},
    {11001, "WSAHOST_NOT_FOUND"},
    {11002, "WSATRY_AGAIN"},
    {11003, "WSANO_RECOVERY"},
    {11004, "WSANO_DATA"},
};
static_assert(sizeof ErrorTable / sizeof ErrorTable[0] == 44);

}  // namespace

const char* SocketErrorText(int32_t number)
{
    for (const ErrorEntry& e : ErrorTable)
        if (e.number == number)
            return e.text;
    return UnknownErrorText;
}

void DescribeSocketError(OnlineFields& f, int32_t number)
{
    f.errorText[0] = '\0';
    CopyText(f.errorText, SocketErrorText(number));
    if (f.errorText[0] == '\0')
        CopyText(f.errorText, UnknownErrorText);
}

}  // namespace online
