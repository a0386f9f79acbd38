// The five functions of the host's runtime library that the objects import
// by ordinal (hrtl32.def). Edit time only.
#pragma once

#include <windows.h>

#include "records.h"

extern "C" {
// 12: runs dialog `templateId` of `module` modally; returns the end value.
__declspec(dllimport) intptr_t HOSTAPI HostDialogBox(HINSTANCE module, intptr_t templateId, void* parent,
                                                     DLGPROC procedure, intptr_t zero1, intptr_t zero2,
                                                     intptr_t three, LPARAM initParameter);
// 127: a 16-bit image number made from a packed bitmap, 0 on failure.
__declspec(dllimport) uint16_t HOSTAPI CreateImageFromDib(void* imageBank, ImageCreateInfo* info, const void* dib);
// 128: called first for bitmaps of more than 4 bits per pixel.
__declspec(dllimport) intptr_t HOSTAPI PrepareDib(const void* dib, void* imageBank, intptr_t zero);
// 132: releases an image.
__declspec(dllimport) intptr_t HOSTAPI DeleteImage(void* imageBank, intptr_t image);
// 136: draws an image with its top-left corner at x, y.
__declspec(dllimport) intptr_t HOSTAPI DrawImage(void* drawSurface, intptr_t image, intptr_t x, intptr_t y,
                                                 intptr_t mode);
}
