// Bounded text copies: every fixed-size text field is written through these.
// Portable: no Windows header, so the parsers that use it build natively.
#pragma once

#include <cstddef>

// Copies src into dst, a field of `width` bytes, cutting the text so that it
// always ends with a zero inside the field. A null src copies the empty text.
// Returns the number of characters copied. A width of 0 writes nothing.
inline size_t CopyText(char* dst, size_t width, const char* src)
{
    if (width == 0)
        return 0;
    size_t n = 0;
    if (src != nullptr)
        while (n + 1 < width && src[n] != '\0') {
            dst[n] = src[n];
            ++n;
        }
    dst[n] = '\0';
    return n;
}

// The same for a field declared as an array: the width is the array's.
template <size_t N>
inline size_t CopyText(char (&dst)[N], const char* src)
{
    return CopyText(dst, N, src);
}

// Appends src to the text already in dst, within the same bound.
inline size_t AppendText(char* dst, size_t width, const char* src)
{
    size_t used = 0;
    while (used < width && dst[used] != '\0')
        ++used;
    if (used >= width)
        return 0;
    return CopyText(dst + used, width - used, src);
}

template <size_t N>
inline size_t AppendText(char (&dst)[N], const char* src)
{
    return AppendText(dst, N, src);
}

// Length of a text held in a field, never reading past the field.
inline size_t FieldLength(const char* text, size_t width)
{
    size_t n = 0;
    while (n < width && text[n] != '\0')
        ++n;
    return n;
}
