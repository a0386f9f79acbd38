// The test object's EditStructure and dialog controls, shared with the tests.
#pragma once

#include <cstdint>

#include "records.h"

namespace dialogobj {

constexpr int TextControl = 101;
constexpr int CheckControl = 102;
constexpr int HelpControl = 103;

// Defaults that CreateObject writes before the dialog opens; the dialog
// shows the text.
constexpr uint16_t DefaultOptions = 4;
constexpr char DefaultText[] = "default text";

#pragma pack(push, 1)
struct Edit {
    EditStructureHeader header;
    uint16_t options;  // 8: set by the defaults, kept by the dialog
    uint16_t checked;  // 10: the check box
    char text[40];     // 12: the edit field, always terminated
};
#pragma pack(pop)
static_assert(sizeof(Edit) == 52);

}  // namespace dialogobj
