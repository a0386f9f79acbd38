// Texts for Windows Sockets error numbers, as the online object shows them.
// Portable: the table is plain data.
#pragma once

#include <cstdint>

#include "online_fields.h"

namespace online {

// The text for `number`, or the fallback text for any number not listed.
const char* SocketErrorText(int32_t number);

// Writes the text for `number` into errorText; touches no other field.
void DescribeSocketError(OnlineFields& f, int32_t number);

// The text of every number that is not in the table.
constexpr char UnknownErrorText[] = "Unkown or Undefined Error";

}  // namespace online
